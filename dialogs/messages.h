// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Every message box of hadrel and hadrelwipe goes through here: modal, plain text, OK
// only unless asked otherwise. Tests queue answers instead of finding the box on screen.
namespace Messages {

enum class Icon { None, Warning, Critical };

struct Box
{
    Icon icon = Icon::None;
    QString title = programTitle();
    QString text;
    QWidget* parent = nullptr;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    // Captions of our own for some of the buttons, where their standard words would not
    // say what they do.
    QList<std::pair<QMessageBox::StandardButton, QString>> captions = {};

    static QString programTitle() { return QStringLiteral("Hadrel"); }
};

// Shows box and returns the button that closed it; a queued answer is returned at once
// instead, and the box recorded.
QMessageBox::StandardButton show(const Box& box);

// The plain box: titled "Hadrel", no icon, one line of text per entry.
void showLines(QWidget* parent, const QStringList& lines);
// A failure the user can do nothing about but read: titled "Hadrel", warning icon.
void warning(QWidget* parent, const QString& text);

// The line of a failure box that names what failed (a skin, a file, a folder), followed by
// the cause when the system gave one: "path: cause".
QString concerning(const QString& what, const QString& cause = {});

// For tests: every box goes to answerer instead of the screen while one is set (an empty
// function brings back the real boxes). Queued answers come first.
using Answerer = std::function<QMessageBox::StandardButton(const Box& box)>;
void setAnswerer(Answerer answerer);

// For tests: the next box shown is answered with answer without being shown. Answers queue.
void setNextAnswer(QMessageBox::StandardButton answer = QMessageBox::Ok);
// The boxes answered from the queue, oldest first; the record is emptied.
QList<Box> takeAnswered();
// Answers still queued, so that a test can tell a box it expected never came.
int pendingAnswers();
// Forgets queued answers, recorded boxes and the answerer.
void reset();

} // namespace Messages
