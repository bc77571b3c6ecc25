// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/programstart.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

namespace ProgramStart {

namespace {

// The program's file, looked up on the environment's PATH unless it is a path itself.
RunError locate(const QString& program, const QProcessEnvironment& environment, QString& executable)
{
    executable = program;
    if (!program.contains(QLatin1Char('/'))) {
        const QStringList path = environment.value(QStringLiteral("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
        executable = QStandardPaths::findExecutable(program, path);
    }
    const QFileInfo info(executable);
    if (!executable.isEmpty() && info.isFile() && info.isExecutable())
        return {};
    // The number stays the runtime's; the detail says which program is missing.
    RunError error = RunError::fromNumber(Error::FileNotFound);
    error.detail = QStringLiteral("%1 が見つかりません").arg(program);
    return error;
}

RunError openerMissing(RunError error)
{
    if (error.number == Error::FileNotFound)
        error.detail = QStringLiteral("xdg-open が見つかりません (xdg-utils をインストールしてください)");
    return error;
}

// What xdg-open's exit status says, as xdg-utils numbers them.
QString openerFailure(int status)
{
    switch (status) {
    case 2:
        return QStringLiteral("開くファイルが見つかりません (xdg-open の終了状態 2)");
    case 3:
        return QStringLiteral("開くことのできるプログラムが見つかりません (xdg-open の終了状態 3)");
    default:
        return QStringLiteral("xdg-open が開けませんでした (終了状態 %1)").arg(status);
    }
}

} // namespace

RunError startDetached(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
{
    QString executable;
    if (RunError error = locate(program, environment, executable))
        return error;

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
    return openerMissing(startDetached(QStringLiteral("xdg-open"), { path }));
}

RunError openWithDesktopWatched(const QString& path, QObject* context, std::function<void(const RunError&)> failed)
{
    QString executable;
    if (RunError error = locate(QStringLiteral("xdg-open"), QProcessEnvironment::systemEnvironment(), executable))
        return openerMissing(error);
    // No parent: a browser that xdg-open waits for outlives the window, and Hadrel too.
    auto* process = new QProcess;
    process->setProgram(executable);
    process->setArguments({ path });
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    // Away from our terminal and our process group, as a detached start would be.
    process->setChildProcessModifier([] { ::setsid(); });
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(
        process, &QProcess::finished, context, [failed = std::move(failed)](int status, QProcess::ExitStatus exit) {
            if (exit == QProcess::NormalExit && status == 0)
                return;
            RunError error = RunError::fromNumber(Error::PathAccess);
            error.detail
                = exit == QProcess::NormalExit ? openerFailure(status) : QStringLiteral("xdg-open が異常終了しました");
            failed(error);
        });
    process->start();
    if (!process->waitForStarted()) {
        RunError error = RunError::fromNumber(Error::PathAccess);
        error.detail = QStringLiteral("xdg-open: %1").arg(process->errorString());
        delete process;
        return error;
    }
    return {};
}

} // namespace ProgramStart
