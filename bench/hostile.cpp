// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/hostile.h"

#include "bench/hostileskins.h"
#include "tests/support/zipwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace Hostile {

namespace {

bool copyFolder(const QString& from, const QString& to)
{
    if (!QDir().mkpath(to))
        return false;
    const QStringList files = QDir(from).entryList(QDir::Files);
    for (const QString& name : files) {
        if (!QFile::copy(from + name, to + QLatin1Char('/') + name))
            return false;
    }
    return true;
}

} // namespace

QStringList make(const QString& folder, const QString& realSkin, QString* error)
{
    QStringList made;
    auto fail = [&](const QString& what) {
        *error = QStringLiteral("hostile files: ") + what;
        return QStringList();
    };
    if (!copyFolder(realSkin, folder + QStringLiteral("A real skin")))
        return fail(QStringLiteral("cannot copy %1").arg(realSkin));
    made << QStringLiteral("A real skin");
    // The bitmap bomb and the region archives that the look is measured on.
    QString archiveError;
    const QList<HostileSkins::Made> archives
        = HostileSkins::make(folder, realSkin + QStringLiteral("main.bmp"), &archiveError);
    if (archives.isEmpty())
        return fail(archiveError);
    for (const HostileSkins::Made& archive : archives)
        made << QFileInfo(archive.path).fileName();
    // 9,999 entries all named main.bmp, each 64 KiB of zeros.
    {
        ZipWriter zip(folder + QStringLiteral("same-name.wsz"));
        for (int i = 0; i < 9999; ++i)
            zip.addZeros(QStringLiteral("main.bmp"), 64 * 1024);
        if (!zip.close())
            return fail(QStringLiteral("same-name.wsz"));
        made << QStringLiteral("same-name.wsz");
    }
    // A FIFO where a skin's main.bmp should be, and one named like an archive: opening
    // either waits for a writer that never comes.
    {
        const QString skin = folder + QStringLiteral("fifo-bitmap/");
        if (!QDir().mkpath(skin) || mkfifo(QFile::encodeName(skin + QStringLiteral("main.bmp")).constData(), 0600) != 0
            || mkfifo(QFile::encodeName(folder + QStringLiteral("fifo.wsz")).constData(), 0600) != 0)
            return fail(QStringLiteral("FIFOs"));
        made << QStringLiteral("fifo-bitmap") << QStringLiteral("fifo.wsz");
    }
    return made;
}

} // namespace Hostile
