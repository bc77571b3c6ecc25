// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/programstart.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace ProgramStart {

RunError startDetached(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
{
    QString executable = program;
    if (!program.contains(QLatin1Char('/'))) {
        const QStringList path = environment.value(QStringLiteral("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
        executable = QStandardPaths::findExecutable(program, path);
    }
    const QFileInfo info(executable);
    if (executable.isEmpty() || !info.isFile() || !info.isExecutable())
        return RunError::fromNumber(Error::FileNotFound);

    QProcess process;
    process.setProgram(executable);
    process.setArguments(arguments);
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached())
        return RunError::fromNumber(Error::PathAccess);
    return RunError::none();
}

RunError openWithDesktop(const QString& path)
{
    return startDetached(QStringLiteral("xdg-open"), { path });
}

} // namespace ProgramStart
