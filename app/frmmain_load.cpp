// SPDX-License-Identifier: GPL-3.0-or-later
// The load step at start-up.
#include "app/frmmain.h"

#include "app/copyoffer.h"
#include "app/lookgrid.h"
#include "dialogs/messages.h"
#include "ops/wine.h"
#include "settings/optfrm.h"
#include "settings/settingskeys.h"

#include <QLineEdit>
#include <QProcessEnvironment>

namespace {

void reportDamagedSettings(QWidget* parent, const QString& file, const QString& copy)
{
    QString text = QStringLiteral("設定ファイルが壊れていたため、読み取れた設定だけを使います。\n壊れたファイル: %1\n")
                       .arg(file);
    text += copy.isEmpty() ? QStringLiteral("控えを作れなかったので、このファイルには保存しません。")
                           : QStringLiteral("壊れたファイルの控え: %1").arg(copy);
    Messages::warning(parent, text);
}

// Said before the window shows the empty list it leads to.
void reportUnreadableSettings(QWidget* parent, const QString& file, const QString& cause)
{
    Messages::warning(parent,
        QStringLiteral(
            "設定ファイルを読み取れないため、設定なしで始めます。このファイルはそのまま残し、何も保存しません。\n%1")
            .arg(Messages::concerning(file, cause)));
}

} // namespace

void frmmain::load()
{
    loadFailed(loadSteps());
    if (startTarget)
        openTarget(*startTarget);
}

void frmmain::openTarget(const OpenPath::Target& target)
{
    makeCurrentFolder(target.folder);
    Skin_Rescan();
    selectListed(target.skin);
    if (!m_copyOffer)
        m_copyOffer = std::make_unique<CopyOffer>(*this);
    m_copyOffer->shown(target);
}

RunError frmmain::loadSteps()
{
    const RunError loaded = settings().Settings_Load();
    // A damaged file is no reason to start empty: what could be read is used.
    if (loaded.number == Error::InvalidPropertyValue)
        reportDamagedSettings(this, SettingsKeys::file(), settings().damagedCopy());
    else if (loaded.number == Error::PathAccess && settings().storeHeldBack())
        reportUnreadableSettings(this, SettingsKeys::file(), loaded.detail);
    if (loaded && loaded.number != Error::InvalidPropertyValue)
        return loaded;
    // Before the first page is loaded, so that it is loaded once.
    m_lookGrid->restore();
    Opt_Frm& form = settings().form();
    if (form.Amp_Path->text().isEmpty()) {
        // First run: OK makes slot 0 current, saves and rescans by itself; Cancel leaves
        // the window as designed.
        form.prepareFirstRun(Wine::winampFolders(QProcessEnvironment::systemEnvironment()));
        return settings().showModal();
    }
    if (!startTarget) {
        makeCurrentFolder(form.Skin_Path[0]->text());
        Skin_Rescan();
    }
    return {};
}

void frmmain::loadFailed(const RunError& error)
{
    switch (error.number) {
    case Error::None:
    case Error::InvalidPropertyValue:
        return;
    case Error::PathAccess:
        Skin_Rescan();
        // A save that fails here is tried, and reported, again at exit.
        settings().Settings_Save();
        return;
    default:
        break;
    }
    Messages::showLines(this,
        { QString::number(error.number), error.description, Messages::concerning(SettingsKeys::file(), error.detail),
            QStringLiteral("製作者に連絡してね(^^;") });
}
