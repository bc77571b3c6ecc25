// SPDX-License-Identifier: GPL-3.0-or-later
// The folder settings the window keeps in the settings dialog, and their saving.
#include "app/frmmain.h"

#include "dialogs/messages.h"

#include "platform/store.h"

OptFrmHolder& frmmain::settings()
{
    if (!m_settings)
        m_settings = std::make_unique<OptFrmHolder>(*this, this);
    return *m_settings;
}

QString frmmain::ampPath()
{
    return settings().ampPath();
}

void frmmain::openSettings()
{
    if (settings().showModal())
        reportUnsavedSettings();
}

void frmmain::saveSettingsAtExit()
{
    if (settings().Settings_Save())
        reportUnsavedSettings();
}

void frmmain::reportUnsavedSettings()
{
    Messages::warning(this, QStringLiteral("設定を保存できませんでした。\n保存先のフォルダ: %1").arg(Store::folder()));
}
