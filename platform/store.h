// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/runerror.h"

#include <QString>

// The per-user settings store shared by hadrel and hadrelwipe: one INI file per
// application under $XDG_CONFIG_HOME/hadrel-store/ (~/.config when unset).
namespace Store {

// No store is larger: a larger file is neither read nor written.
inline constexpr qint64 maxFileBytes = qint64(1) << 20;

// The folder that holds the applications' files.
QString folder();
// The file of one application.
QString fileFor(const QString& application);

// The stored value, or defaultValue when the application, section or key is missing
// (or the file cannot be read).
QString get(const QString& application, const QString& section, const QString& key, const QString& defaultValue = {});

// Whether the application's file can be read: none when it can or does not exist,
// 75 when it cannot be opened (a directory, a FIFO, no permission, a link to nothing) or
// is larger than maxFileBytes, with the cause as detail unless it is a link to nothing;
// 380 when it is not an INI file.
RunError readStatus(const QString& application);

// Keeps the application's file as it is now beside it, before anything is written over
// it: "<file>.damaged", or "<file>.damaged.1", ".2", ... when earlier copies are there, so
// no earlier copy is ever overwritten. Returns the copy's path, or nothing when no copy
// could be made.
QString keepCopy(const QString& application);

// Creates or overwrites one value. Fails with 75 when the file cannot be written.
RunError save(const QString& application, const QString& section, const QString& key, const QString& value);

// Removes the application's whole tree: no error when removed, InvalidCall when there
// was none, PathAccess for any other failure.
RunError remove(const QString& application);

} // namespace Store
