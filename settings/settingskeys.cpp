// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingskeys.h"

#include "platform/pathslash.h"
#include "platform/store.h"

namespace SettingsKeys {

RunError write(const Key& key, const QString& value)
{
    if (key.readOnly)
        return RunError::fromNumber(Error::InvalidCall);
    return Store::save(QLatin1String(application), QLatin1String(key.section), QLatin1String(key.name), value);
}

QString readEither(const Key& key, const Key& older)
{
    // A noncharacter, which no stored text holds, tells a missing key from any value.
    const QString missing(QChar(0xFFFF));
    const QString value
        = Store::get(QLatin1String(application), QLatin1String(key.section), QLatin1String(key.name), missing);
    if (value != missing)
        return value;
    return Store::get(QLatin1String(application), QLatin1String(older.section), QLatin1String(older.name),
        QLatin1String(key.defaultValue));
}

RunError readStatus()
{
    return Store::readStatus(QLatin1String(application));
}

QString file()
{
    return Store::fileFor(QLatin1String(application));
}

QString keepDamagedCopy()
{
    return Store::keepCopy(QLatin1String(application));
}

Folders readFolders()
{
    Folders values;
    for (size_t i = 0; i < folders.size(); ++i)
        values[i] = Path_Slash(read(folders[i]));
    return values;
}

RunError writeFolders(const Folders& values)
{
    RunError first;
    for (size_t i = 0; i < folders.size(); ++i) {
        const RunError error = write(folders[i], Path_Slash(values[i]));
        if (error && !first)
            first = error;
    }
    return first;
}

} // namespace SettingsKeys
