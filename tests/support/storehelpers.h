// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/store.h"
#include "settings/settingskeys.h"

#include <QTest>

// The folder values of Hadrel's store ("Amp", "0" to "4"), read and written directly.
namespace TestStore {

inline QString stored(const QString& key, const QString& missing = QStringLiteral("<missing>"))
{
    return Store::get(QLatin1String(SettingsKeys::application), QLatin1String(SettingsKeys::amp.section), key, missing);
}

// True when the value was written.
inline bool saved(const QString& key, const QString& value)
{
    return !Store::save(QLatin1String(SettingsKeys::application), QLatin1String(SettingsKeys::amp.section), key, value);
}

inline void store(const QString& key, const QString& value)
{
    QVERIFY(saved(key, value));
}

} // namespace TestStore
