// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>

class QAction;

// What the settings need from the main window, without knowing the main window.
class SettingsHost
{
public:
    // The registered-folder entries Reg(0) to Reg(4).
    virtual std::array<QAction*, 5> regEntries() = 0;
    // Makes a folder current: panel "path" and the caption.
    virtual void makeCurrentFolder(const QString& folder) = 0;
    // Rescans the current folder from the first page.
    virtual void Skin_Rescan() = 0;

protected:
    ~SettingsHost() = default;
};
