// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/messages.h"

#include <QAbstractButton>
#include <QQueue>

namespace Messages {

namespace {

QQueue<QMessageBox::StandardButton>& queuedAnswers()
{
    static QQueue<QMessageBox::StandardButton> answers;
    return answers;
}

QList<Box>& answeredBoxes()
{
    static QList<Box> boxes;
    return boxes;
}

Answerer& currentAnswerer()
{
    static Answerer answerer;
    return answerer;
}

QMessageBox::Icon iconOf(Icon icon)
{
    switch (icon) {
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QMessageBox::StandardButton show(const Box& box)
{
    if (!queuedAnswers().isEmpty()) {
        answeredBoxes().append(box);
        return queuedAnswers().dequeue();
    }
    if (currentAnswerer())
        return currentAnswerer()(box);
    QMessageBox shown(iconOf(box.icon), box.title, box.text, box.buttons, box.parent);
    // Skin and file names are shown as they are, never read as markup.
    shown.setTextFormat(Qt::PlainText);
    for (const auto& [button, caption] : box.captions) {
        if (QAbstractButton* shownButton = shown.button(button))
            shownButton->setText(caption);
    }
    return QMessageBox::StandardButton(shown.exec());
}

void showLines(QWidget* parent, const QStringList& lines)
{
    show({ Icon::None, Box::programTitle(), lines.join(QLatin1Char('\n')), parent });
}

void warning(QWidget* parent, const QString& text)
{
    show({ Icon::Warning, Box::programTitle(), text, parent });
}

QString concerning(const QString& what, const QString& cause)
{
    return cause.isEmpty() ? what : what + QStringLiteral(": ") + cause;
}

void setAnswerer(Answerer answerer)
{
    currentAnswerer() = std::move(answerer);
}

void setNextAnswer(QMessageBox::StandardButton answer)
{
    queuedAnswers().enqueue(answer);
}

QList<Box> takeAnswered()
{
    return std::exchange(answeredBoxes(), {});
}

int pendingAnswers()
{
    return int(queuedAnswers().size());
}

void reset()
{
    queuedAnswers().clear();
    answeredBoxes().clear();
    currentAnswerer() = {};
}

} // namespace Messages
