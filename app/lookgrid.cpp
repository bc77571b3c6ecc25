// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/lookgrid.h"

#include "settings/settingskeys.h"

#include <QAction>

LookGrid::LookGrid(QAction* item, std::function<bool()> storeWritable, std::function<void()> reload)
    : QObject(item)
    , m_item(item)
{
    m_item->setCheckable(true);
    // toggled comes only with a change: the same page again, the frame where it was.
    connect(m_item, &QAction::toggled, this, [reload = std::move(reload)] { reload(); });
    connect(m_item, &QAction::triggered, this, [storeWritable = std::move(storeWritable)](bool on) {
        // A store that cannot be written is reported by the save at exit.
        if (storeWritable())
            SettingsKeys::write(SettingsKeys::winampLook, on ? QStringLiteral("1") : QStringLiteral("0"));
    });
}

void LookGrid::restore()
{
    m_item->setChecked(
        SettingsKeys::readEither(SettingsKeys::winampLook, SettingsKeys::oldWinampLook) == QLatin1String("1"));
}
