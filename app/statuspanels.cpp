// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/statuspanels.h"

StatusPanels::StatusPanels(QWidget* parent)
    : QStatusBar(parent)
{
    setSizeGripEnabled(false);
}

QLabel* StatusPanels::addPanel(const QString& key, const QString& text, const QString& toolTip, int width)
{
    auto* label = new QLabel(text, this);
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
