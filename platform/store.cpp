// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/store.h"

#include "platform/regularfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>
#include <unistd.h>

namespace Store {

namespace {

QString settingsKey(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

// Absent, or a regular file no larger than a store can be: the cases QSettings may parse
// or write, without waiting on a FIFO nor spending the start on a huge file.
bool mayBeParsed(const QString& path)
{
    return RegularFile::absentOrRegular(path) && QFileInfo(path).size() <= maxFileBytes;
}

} // namespace

QString folder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/hadrel-store");
}

QString fileFor(const QString& application)
{
    return folder() + QLatin1Char('/') + application + QStringLiteral(".ini");
}

QString get(const QString& application, const QString& section, const QString& key, const QString& defaultValue)
{
    if (!mayBeParsed(fileFor(application)))
        return defaultValue;
    const QSettings settings(fileFor(application), QSettings::IniFormat);
    const QVariant value = settings.value(settingsKey(section, key));
    return value.isValid() ? value.toString() : defaultValue;
}

RunError readStatus(const QString& application)
{
    const QString path = fileFor(application);
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return RunError::none();
    // A folder, a FIFO or a device under the name is unreadable, and never waited on.
    if (info.isDir())
        return RunError::fromErrno(Error::PathAccess, EISDIR);
    qint64 size = 0;
    const int fd = RegularFile::open(path, &size);
    if (fd < 0) {
        const int cause = errno;
        // A link to nothing is no store yet: the first save makes it.
        if (!info.exists())
            return RunError::fromNumber(Error::PathAccess);
        RunError error = RunError::fromErrno(Error::PathAccess, cause);
        if (cause == EINVAL)
            error.detail = QStringLiteral("通常のファイルではありません");
        return error;
    }
    ::close(fd);
    if (size > maxFileBytes) {
        RunError error = RunError::fromNumber(Error::PathAccess);
        error.detail = QStringLiteral("%1 MiB より大きいので、設定ファイルとして読みません").arg(maxFileBytes >> 20);
        return error;
    }
    const QSettings settings(path, QSettings::IniFormat);
    if (settings.status() == QSettings::FormatError)
        return RunError::fromNumber(Error::InvalidPropertyValue);
    return RunError::none();
}

QString keepCopy(const QString& application)
{
    const QString path = fileFor(application);
    QFile original(path);
    if (!RegularFile::openForReading(original))
        return {};
    const QByteArray bytes = original.readAll();
    if (original.error() != QFileDevice::NoError)
        return {};
    const QString base = path + QStringLiteral(".damaged");
    // Bounded only so that a folder that refuses every name cannot keep us here.
    for (int n = 0; n < 10000; ++n) {
        const QString name = n == 0 ? base : base + QLatin1Char('.') + QString::number(n);
        QFile copy(name);
        // NewOnly creates the file or fails: an earlier copy is never touched.
        if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(name) || QFileInfo(name).isSymLink())
                continue;
            return {};
        }
        if (copy.write(bytes) != bytes.size() || !copy.flush()) {
            copy.remove();
            return {};
        }
        return name;
    }
    return {};
}

RunError save(const QString& application, const QString& section, const QString& key, const QString& value)
{
    if (!QDir().mkpath(folder()) || !mayBeParsed(fileFor(application)))
        return RunError::fromNumber(Error::PathAccess);
    QSettings settings(fileFor(application), QSettings::IniFormat);
    settings.setValue(settingsKey(section, key), value);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        return RunError::fromNumber(Error::PathAccess);
    return RunError::none();
}

RunError remove(const QString& application)
{
    const QByteArray path = QFile::encodeName(fileFor(application));
    if (::unlink(path.constData()) == 0)
        return RunError::none();
    return RunError::fromErrno(errno == ENOENT ? Error::InvalidCall : Error::PathAccess, errno);
}

} // namespace Store
