// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// What `hadrel PATH` shows: the folder of a skin with that skin selected, or a folder.
namespace OpenPath {

struct Target
{
    QString folder; // ends with one separator
    QString skin; // the skin to select, or empty for a folder of its own
};

// A skin (folder or archive) shows the folder that holds it with the skin selected;
// any other folder shows itself. Nothing for anything else. A relative path is taken
// from the working folder.
std::optional<Target> resolve(const QString& path);

// The path as another process can resolve it: absolute, from our working folder.
QString absolute(const QString& path);

// Why path cannot be opened, in one line; empty when it can.
QString refusal(const QString& path);
// That line for a path known not to open.
QString notOpenable(const QString& path);

} // namespace OpenPath
