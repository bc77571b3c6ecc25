// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/runerror.h"
#include "platform/store.h"

#include <QString>

#include <array>

// What Hadrel keeps in the per-user store, with the defaults: every read and every write
// goes through this one table, so no key is spelled twice.
namespace SettingsKeys {

struct Key
{
    const char* section;
    const char* name;
    const char* defaultValue;
    bool readOnly; // nothing in the program writes it
};

inline constexpr char application[] = "Hadrel";

// The six folder values, in the order of the dialog: the Winamp folder, then slots 0 to 4.
inline constexpr int slotCount = 5;
inline constexpr std::array<Key, 1 + slotCount> folders = { {
    { "Path", "Amp", "", false },
    { "Path", "0", "", false },
    { "Path", "1", "", false },
    { "Path", "2", "", false },
    { "Path", "3", "", false },
    { "Path", "4", "", false },
} };
inline constexpr const Key& amp = folders[0];
constexpr const Key& slot(int index)
{
    return folders[1 + index];
}

// The main window's position in twips. Read once at start-up, never written.
inline constexpr Key mainLeft { "Settings", "MainLeft", "1000", true };
inline constexpr Key mainTop { "Settings", "MainTop", "1000", true };
// Whether the previews show each skin as Winamp draws it: "1" yes, anything else no.
// Written when the user toggles it, in a section of its own: [Settings] is only read.
inline constexpr Key winampLook { "Look", "Grid", "0", false };
// Where it was written before; read while the key above is missing.
inline constexpr Key oldWinampLook { "Settings", "WinampLook", "0", true };
// The scale of the window showing a skin as Winamp draws it: "1" or "2"; missing, 2 when
// the screen is tall enough. Written when the user switches it.
inline constexpr Key lookScale { "Look", "Scale", "", false };

// The code page winamp.ini is written in, for a Winamp started in another locale than
// ours. Absent: the locale's.
inline constexpr Key winampCodePage { "Winamp", "CodePage", "", true };

// The stored value, or the key's default when it is missing.
inline QString read(const Key& key)
{
    return Store::get(QLatin1String(application), QLatin1String(key.section), QLatin1String(key.name),
        QLatin1String(key.defaultValue));
}
// The stored value of key; when it is missing, that of older; else key's default.
QString readEither(const Key& key, const Key& older);
// Stores one value; a read-only key is refused with 5.
RunError write(const Key& key, const QString& value);
// Whether the stored values could be read: none, 75 (unreadable) or 380 (not an INI file).
RunError readStatus();
// The file the values live in.
QString file();
// Keeps the file as it is now beside it, never over an earlier copy: the copy's path, or
// nothing when none could be made.
QString keepDamagedCopy();

using Folders = std::array<QString, 1 + slotCount>;
// The six folder values as stored, each with exactly one trailing separator or empty.
// The store itself is left as it is.
Folders readFolders();
// Stores the six values, each with exactly one trailing separator or empty; all six are
// written even when one fails, and the first failure is returned.
RunError writeFolders(const Folders& values);

} // namespace SettingsKeys
