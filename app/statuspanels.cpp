// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/statuspanels.h"

#include <algorithm>

namespace {

// Within the design's 18 px the bar's own spacing and the sunken frame leave a panel's
// text about 11 px: the desktop's font would lose its descenders there ("drive_c" read
// "drive c"), so the panel's font shrinks until an underscore shows whole.
class PanelLabel : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        const int room = contentsRect().height();
        if (room <= 0)
            return; // not laid out yet
        QFont fitting = parentWidget()->font();
        for (int pixels = QFontInfo(fitting).pixelSize(); pixels > 6; fitting.setPixelSize(--pixels)) {
            const QFontMetrics metrics(fitting);
            const int lowest = std::max(metrics.descent(), metrics.boundingRect(QLatin1Char('_')).bottom() + 1);
            if (metrics.height() <= room && metrics.ascent() + lowest <= room)
                break;
        }
        setFont(fitting);
    }
};

} // namespace

StatusPanels::StatusPanels(QWidget* parent)
    : QStatusBar(parent)
{
    setSizeGripEnabled(false);
}

QLabel* StatusPanels::addPanel(const QString& key, const QString& text, const QString& toolTip, int width)
{
    auto* label = new PanelLabel(text, this);
    label->setObjectName(key);
    label->setToolTip(toolTip);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    if (width > 0) {
        label->setFixedWidth(width);
        addPermanentWidget(label);
    } else {
        label->setMinimumWidth(0);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        addWidget(label, 1);
    }
    m_panels.insert(key, label);
    return label;
}
