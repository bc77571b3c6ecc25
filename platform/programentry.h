// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QApplication;
class QCoreApplication;

// What hadrel and hadrelwipe both do before their own work: answer the command line, make
// the application object and put Qt's own texts into Japanese.
namespace ProgramEntry {

struct Program
{
    QString name; // as typed on the command line
    QString summary; // one line: what the program does
    // The one argument the program takes, as the usage names it, and the lines that say
    // what it does; empty when it takes none.
    QString argument;
    QString argumentHelp;
    // Judges the argument where no display could show why it is refused: the reason, or
    // empty when it is fine. The program itself judges it again once it has a display.
    std::function<QString(const QString& argument)> refusal;
};

enum class Ask { Run, Help, Version, Mistake };

// What a command line asks for, and what to print: help and version on standard output
// (status 0), a mistake as one line on standard error (status 2).
struct Reply
{
    Ask ask = Ask::Run;
    QString text;
    int status = 0;
    QString argument; // with Run: the program's argument, or empty
};

// Reads a command line, the program's own name first. Help and version win over anything
// else on the line; any other option is a mistake, and so is any argument beyond the one
// the program takes.
Reply read(const QStringList& arguments, const Program& program);

// Loads Qt's Japanese texts (qtbase_ja) from folder and makes Japanese the default
// locale, whatever the desktop's. False when the texts are not there; the program goes on.
bool installJapanese(QCoreApplication& app, const QString& folder = QString());

// The whole entry: help and version are answered before anything needs a display; the
// rest of the line is judged once the application object has taken out Qt's own options
// (-platform, -style, ...), or at once when there is no display to reach. Then body runs
// with the argument (empty when none was given).
int run(int argc, char* argv[], const Program& program,
    const std::function<int(QApplication&, const QString& argument)>& body);

// A refused argument as the one line on standard error: the program's name, the reason.
QString refusalLine(const Program& program, const QString& reason);

} // namespace ProgramEntry
