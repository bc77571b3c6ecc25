// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/winamplaunch.h"

#include "ops/winampini.h"
#include "ops/wine.h"
#include "platform/filelookup.h"
#include "platform/pathslash.h"
#include "platform/programstart.h"

#include <QFileInfo>
#include <QProcessEnvironment>

namespace WinampLaunch {

RunError startWinamp(const QString& ampFolder)
{
    // No folder: a bare Winamp.exe would be looked for wherever we happen to run.
    const QString folder = Path_Slash(ampFolder);
    if (folder.isEmpty())
        return RunError::fromNumber(Error::FileNotFound);
    const QString exe = FileLookup::findIgnoringCase(folder, QStringLiteral("Winamp.exe"));
    if (exe.isEmpty() || !QFileInfo(exe).isFile())
        return RunError::fromNumber(Error::FileNotFound);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString prefix = Wine::prefixOf(folder);
    if (!prefix.isEmpty())
        environment.insert(QStringLiteral("WINEPREFIX"), prefix);
    return ProgramStart::startDetached(QStringLiteral("wine"), { QFileInfo(exe).absoluteFilePath() }, environment);
}

RunError applyAndStart(
    const QString& ampFolder, const QString& skinFolder, const QString& selectedSkin, const ApplyFailed& applyFailed)
{
    // Winamp starts with its old configuration when the file cannot be updated.
    if (const RunError error = Winamp_Ini_Update(ampFolder, skinFolder, selectedSkin); error && applyFailed)
        applyFailed(error);
    return startWinamp(ampFolder);
}

RunError openFolder(const QString& folder)
{
    if (folder.isEmpty())
        return RunError::fromNumber(Error::FileNotFound);
    return ProgramStart::openWithDesktop(folder);
}

} // namespace WinampLaunch
