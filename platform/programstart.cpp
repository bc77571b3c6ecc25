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
    if (executable.isEmpty() || !info.isFile() || !info.isExecutable()) {
        // The number stays the runtime's; the detail says which program is missing.
        RunError error = RunError::fromNumber(Error::FileNotFound);
        error.detail = QStringLiteral("%1 が見つかりません").arg(program);
        return error;
    }

    QProcess process;
    process.setProgram(executable);
    process.setArguments(arguments);
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached()) {
        RunError error = RunError::fromNumber(Error::PathAccess);
        error.detail = QStringLiteral("%1: %2").arg(program, process.errorString());
        return error;
    }
    return RunError::none();
}

RunError openWithDesktop(const QString& path)
{
    RunError error = startDetached(QStringLiteral("xdg-open"), { path });
    if (error.number == Error::FileNotFound)
        error.detail = QStringLiteral("xdg-open が見つかりません (xdg-utils をインストールしてください)");
    return error;
}

} // namespace ProgramStart
