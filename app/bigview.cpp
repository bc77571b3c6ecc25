// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/bigview.h"

#include "app/picturejobs.h"
#include "skins/previewimage.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

Big_View::Big_View(QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Big_View"));
    setWindowTitle(QStringLiteral("拡大"));
    setModal(true);

    Big_Skin = new QLabel(this);
    Big_Skin->setObjectName(QStringLiteral("Big_Skin"));
    Big_Skin->setGeometry(0, 0, 413, 174);
    Big_Skin->setFrameStyle(QFrame::Box | QFrame::Plain);
    Big_Skin->setLineWidth(1);
    Big_Skin->setScaledContents(true);

    Close_Button = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    Close_Button->setObjectName(QStringLiteral("Close_Button"));
    Close_Button->setGeometry(162, 177, 97, 31);
    Close_Button->setDefault(false);
    connect(Close_Button, &QPushButton::clicked, this, &QDialog::accept);

    Big_Skin->setFocusPolicy(Qt::NoFocus);
    Close_Button->setFocus();
    setFixedSize(414, 209);
}

void Big_View::loadPicture(std::function<QImage()> read)
{
    if (!m_jobs) {
        m_jobs = new PictureJobs(this);
        connect(m_jobs, &PictureJobs::pictureReady, this,
            [this](int, const QImage& picture) { Big_Skin->setPixmap(QPixmap::fromImage(picture)); });
    }
    // Stretched on the worker too; only the finished pixmap is made here.
    m_jobs->start(
        { [read = std::move(read), size = Big_Skin->contentsRect().size(), ratio = Big_Skin->devicePixelRatioF()] {
            return PreviewImage::stretchedImage(read(), size, ratio);
        } });
}

void Big_View::keyPressEvent(QKeyEvent* event)
{
    // The close button is no cancel button: Escape leaves the view open.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
