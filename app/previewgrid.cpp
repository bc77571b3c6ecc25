// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/previewgrid.h"

#include "app/picturejobs.h"
#include "app/previewcell.h"
#include "platform/twips.h"
#include "skins/previewimage.h"

#include <memory>
#include <vector>

namespace {

using Twips::toPixels;

constexpr int cellLefts[3] = { toPixels(2295), toPixels(4680), toPixels(7065) };
constexpr int cellTops[4] = { toPixels(90), toPixels(1440), toPixels(2790), toPixels(4185) };

} // namespace

PreviewGrid::PreviewGrid(QWidget* parent, int left, int height)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PreviewGrid"));
    setGeometry(left, 0, cellLefts[2] + toPixels(2220) - left, height);
    for (int i = 0; i < cellCount; ++i) {
        const int x = cellLefts[i % 3] - left;
        const int y = cellTops[i / 3];

        auto* preview = new PreviewCell(this);
        preview->setObjectName(QStringLiteral("Skin_Preview_%1").arg(i));
        preview->setGeometry(x, y, toPixels(2190), toPixels(900));
        m_previews[i] = preview;

        auto* name = new NameBox(this);
        name->setObjectName(QStringLiteral("Skin_Name_%1").arg(i));
        name->setGeometry(x, y + toPixels(900), toPixels(2175), toPixels(285));
        name->setFrame(true);
        if (i == 0) {
            QPalette palette = name->palette();
            palette.setColor(QPalette::Base, Qt::white);
            name->setPalette(palette);
        }
        m_names[i] = name;

        connect(preview, &PreviewCell::clicked, this, [this, i] { emit previewClicked(i); });
        connect(preview, &PreviewCell::doubleClicked, this, [this, i] { emit previewDoubleClicked(i); });
        connect(preview, &PreviewCell::rightPressed, this, [this, i] { emit previewRightPressed(i); });
        connect(name, &NameBox::clicked, this, [this, i] { emit nameClicked(i); });
        connect(name, &NameBox::focusGained, this, [this, i] { emit nameFocusGained(i); });
        connect(name, &NameBox::enterPressed, this, [this, i] { emit nameEnterPressed(i); });
        connect(name, &NameBox::escapePressed, this, [this, i] { emit nameEscapePressed(i); });
        connect(name, &NameBox::focusLost, this, [this, i] { emit nameFocusLost(i); });
    }

    m_frame = new SelectFrame(this);
    m_frame->setObjectName(QStringLiteral("SelectSq"));
    m_frame->setGeometry(cellLefts[0] - left, cellTops[0], toPixels(2220), toPixels(1230));
    m_frame->raise();

    for (int i = 1; i < cellCount; ++i)
        QWidget::setTabOrder(m_names[i - 1], m_names[i]);

    m_jobs = new PictureJobs(this);
    connect(m_jobs, &PictureJobs::pictureReady, this, &PreviewGrid::showPicture);
    connect(m_jobs, &PictureJobs::finished, this, &PreviewGrid::picturesShown);
}

void PreviewGrid::empty()
{
    m_jobs->cancel();
    for (int i = 0; i < cellCount; ++i) {
        m_previews[i]->clear();
        setName(i, QString());
    }
    m_frame->move(m_previews[0]->pos());
}

void PreviewGrid::reload(const QStringList& names, const std::function<QImage(const QString& name)>& picture)
{
    // Disabling a focused box passes the focus along the boxes; that is no user moving
    // into a box, so their focus handlers must not select or commit anything.
    std::vector<std::unique_ptr<QSignalBlocker>> quiet;
    for (NameBox* box : m_names)
        quiet.push_back(std::make_unique<QSignalBlocker>(box));
    for (int i = 0; i < cellCount; ++i) {
        setName(i, QString());
        m_names[i]->setEnabled(false);
        m_previews[i]->clear();
    }
    QList<PictureJobs::Read> reads;
    m_readCells.clear();
    for (int i = 0; i < cellCount && i < names.size(); ++i) {
        const QString& name = names[i];
        if (name.isEmpty())
            continue;
        m_names[i]->setEnabled(true);
        setName(i, name);
        const PreviewCell* cell = m_previews[i];
        // Stretched off this thread too: a large picture costs its scaling as well.
        reads.append([picture, name, size = cell->contentsRect().size(), ratio = cell->devicePixelRatioF()] {
            return PreviewImage::stretchedImage(picture(name), size, ratio);
        });
        m_readCells.append(i);
    }
    m_jobs->start(std::move(reads));
}

QStringList PreviewGrid::names() const
{
    QStringList names;
    for (const NameBox* box : m_names)
        names.append(box->text());
    return names;
}

bool PreviewGrid::picturesPending() const
{
    return m_jobs->busy();
}

void PreviewGrid::showPicture(int read, const QImage& picture)
{
    // A picture that cannot be had leaves the cell empty.
    if (!picture.isNull())
        m_previews[m_readCells[read]]->setPixmap(QPixmap::fromImage(picture));
}

void PreviewGrid::placeFrame(const QString& name)
{
    for (int i = 0; i < cellCount; ++i) {
        if (m_names[i]->text() == name) {
            m_frame->move(m_previews[i]->pos());
            return;
        }
    }
}

int PreviewGrid::selectedCell() const
{
    for (int i = 0; i < cellCount; ++i) {
        if (m_previews[i]->pos() == m_frame->pos())
            return i;
    }
    return -1;
}

void PreviewGrid::setName(int cell, const QString& text)
{
    m_names[cell]->setText(text);
    // From its first character, as a Windows text box shows what it is given; setText
    // leaves the cursor, and with it the view, at the end.
    m_names[cell]->setCursorPosition(0);
}

void PreviewGrid::focusName(int cell, Qt::FocusReason reason)
{
    m_names[cell]->setFocus(reason);
}
