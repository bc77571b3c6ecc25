// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProgressBar>

class SkinIndex;

// The index's progress in the status bar: shown while an update reads skins, hidden
// otherwise. The window adds it to its status bar (addPermanentWidget) and holds it.
class IndexProgress : public QProgressBar
{
    Q_OBJECT

public:
    explicit IndexProgress(SkinIndex* index, QWidget* parent = nullptr);
};
