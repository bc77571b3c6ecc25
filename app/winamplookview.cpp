// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/winamplookview.h"

#include "skins/winamplook.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

WinampLookView::WinampLookView(const QString& skinFolder, const QString& name, QWidget* parent)
    : WinampLookView(SkinFiles::fromFolder(skinFolder, WinampLook::fileNames()), name, parent)
{
}

WinampLookView::WinampLookView(const SkinFiles& files, const QString& name, QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("WinampLookView"));
    setWindowTitle(QStringLiteral("Winampでの見た目 - ") + name);
    setModal(true);

    const QImage look = WinampLook::stacked(files);
    Look_Picture = new QLabel(this);
    Look_Picture->setObjectName(QStringLiteral("Look_Picture"));
    // Scaled here to the screen's pixels, nearest neighbour, so that no later scaling
    // smooths the doubled pixels on a high-density screen.
    const qreal ratio = devicePixelRatioF();
    const QSize shown = look.size() * 2; // as Winamp's double-size mode
    QPixmap pixmap = QPixmap::fromImage(
        look.scaled((QSizeF(shown) * ratio).toSize(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
    pixmap.setDevicePixelRatio(ratio);
    Look_Picture->setPixmap(pixmap);
    Look_Picture->setFixedSize(shown);

    Close_Button = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    Close_Button->setObjectName(QStringLiteral("Close_Button"));
    Close_Button->setAutoDefault(false);
    connect(Close_Button, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Look_Picture);
    layout->addWidget(Close_Button, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Close_Button->setFocus();
}
