// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QAction;
class frmmain;

// 「似ているSkinを探す」, the last item of the previews' context menu: the search window,
// its matches ordered by how near each skin's look is to the framed one's.
class SimilarSkins : public QObject
{
    Q_OBJECT
public:
    explicit SimilarSkins(frmmain& window);
    QAction* action = nullptr;

private:
    frmmain& m_window;
};
