// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/indexprogress.h"

#include "index/skinindex.h"

IndexProgress::IndexProgress(SkinIndex* index, QWidget* parent)
    : QProgressBar(parent)
{
    setMaximumWidth(160);
    setTextVisible(true);
    setFormat(QStringLiteral("索引 %p%"));
    setToolTip(QStringLiteral("Skinの索引を作成しています"));
    hide();
    connect(index, &SkinIndex::progress, this, [this](int done, int total) {
        setRange(0, std::max(total, 1));
        setValue(done);
        setVisible(done < total);
    });
    connect(index, &SkinIndex::finished, this, &QWidget::hide);
}
