// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "skins/skinfiles.h"

#include <QDialog>

class QLabel;
class QPushButton;

// One skin as Winamp draws it: main window, equalizer and playlist editor stacked as in
// Winamp's default layout, every pixel doubled, and a close button. Escape closes it.
class WinampLookView : public QDialog
{
    Q_OBJECT
public:
    // skinFolder ends with a separator; name goes into the title.
    WinampLookView(const QString& skinFolder, const QString& name, QWidget* parent = nullptr);
    // The skin's files as read out of its folder or archive.
    WinampLookView(const SkinFiles& files, const QString& name, QWidget* parent = nullptr);

    QLabel* Look_Picture = nullptr;
    QPushButton* Close_Button = nullptr;
};
