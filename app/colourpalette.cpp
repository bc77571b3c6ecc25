// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/colourpalette.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QColor dialogColour(QWidget* parent, const QColor& initial)
{
    return QColorDialog::getColor(initial, parent, QStringLiteral("色で探す"));
}

QIcon swatchIcon(const QColor& colour)
{
    QPixmap pixmap(20, 20);
    pixmap.fill(colour);
    QPainter painter(&pixmap);
    painter.setPen(QColor(0, 0, 0, 96));
    painter.drawRect(0, 0, 19, 19);
    return QIcon(pixmap);
}

} // namespace

std::function<QColor(QWidget*, const QColor&)> ColourPalette::askColour = &dialogColour;

const QList<ColourPalette::Named>& ColourPalette::colours()
{
    static const QList<Named> named = {
        { QColor(0x00, 0x00, 0x00), QStringLiteral("黒") },
        { QColor(0x60, 0x60, 0x60), QStringLiteral("灰色") },
        { QColor(0xb8, 0xb8, 0xc0), QStringLiteral("銀色") },
        { QColor(0xff, 0xff, 0xff), QStringLiteral("白") },
        { QColor(0xd0, 0x20, 0x20), QStringLiteral("赤") },
        { QColor(0xf0, 0x80, 0x20), QStringLiteral("橙色") },
        { QColor(0xf0, 0xd8, 0x30), QStringLiteral("黄色") },
        { QColor(0x80, 0xc8, 0x30), QStringLiteral("黄緑") },
        { QColor(0x20, 0x90, 0x40), QStringLiteral("緑") },
        { QColor(0x10, 0x80, 0x80), QStringLiteral("青緑") },
        { QColor(0x60, 0xc0, 0xf0), QStringLiteral("水色") },
        { QColor(0x20, 0x50, 0xd0), QStringLiteral("青") },
        { QColor(0x18, 0x20, 0x60), QStringLiteral("紺") },
        { QColor(0x80, 0x30, 0xb0), QStringLiteral("紫") },
        { QColor(0xf0, 0x90, 0xc0), QStringLiteral("桃色") },
        { QColor(0x80, 0x50, 0x28), QStringLiteral("茶色") },
    };
    return named;
}

ColourPalette::ColourPalette(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ColourPalette"));
    auto* grid = new QGridLayout;
    grid->setSpacing(2);
    const QList<Named>& named = colours();
    for (int i = 0; i < named.size(); ++i) {
        auto* swatch = new QToolButton(this);
        swatch->setObjectName(QStringLiteral("Colour_%1").arg(i));
        swatch->setIcon(swatchIcon(named[i].colour));
        swatch->setIconSize(QSize(20, 20));
        swatch->setAutoRaise(true);
        swatch->setToolTip(named[i].name);
        swatch->setAccessibleName(named[i].name);
        connect(swatch, &QToolButton::clicked, this, [this, colour = named[i].colour] {
            m_last = colour;
            emit colourChosen(colour);
        });
        grid->addWidget(swatch, i / 8, i % 8);
        m_swatches.append(swatch);
    }
    otherButton = new QPushButton(QStringLiteral("その他の色(&O)..."), this);
    otherButton->setObjectName(QStringLiteral("Colour_Other"));
    otherButton->setAutoDefault(false);
    connect(otherButton, &QPushButton::clicked, this, [this] {
        const QColor colour = askColour(window(), m_last.isValid() ? m_last : colours().at(9).colour);
        if (!colour.isValid())
            return;
        m_last = colour;
        emit colourChosen(colour);
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(grid);
    layout->addWidget(otherButton);
}
