// SPDX-License-Identifier: GPL-3.0-or-later
// The running Winamp: it keeps its skin in memory and writes it back when it quits, so it
// is told of a new skin at once, and asked which one it uses.
#include "app/frmmain.h"

#include "dialogs/messages.h"
#include "ops/codepage.h"
#include "ops/winampini.h"
#include "ops/winampinuse.h"
#include "ops/winamplaunch.h"
#include "ops/winampremote.h"
#include "ops/wine.h"
#include "settings/settingskeys.h"

#include <QGuiApplication>

static void showNotSwitched(QWidget* parent, WinampRemote::Outcome outcome)
{
    const QString cause = outcome == WinampRemote::Outcome::NoHelper
        ? QStringLiteral("Wineで補助プログラムを起動できませんでした。")
        : QStringLiteral("Winampが%1秒以内に応えませんでした。").arg(WinampRemote::answerMs / 1000);
    Messages::warning(parent,
        QStringLiteral("起動中のWinampのSkinを切り替えられませんでした。%1\n"
                       "winamp.iniは書き換えましたが、Winampが起動中なら、終了するときに自分のSkinを"
                       "書き戻します。\nWinampを終了してから、もう一度「WINAMPで使う」を選んでください。")
            .arg(cause));
}

void frmmain::buildWinampLink()
{
    m_remote = new WinampRemote(WinampRemote::besideProgram(), this);
    // The user may have changed Winamp's skin in Winamp itself meanwhile.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            askWinampInUse();
    });
}

// Only a Winamp folder in a Wine prefix says where a running Winamp would be.
QString frmmain::reachableAmp()
{
    const QString amp = settings().existing() ? ampPath() : SettingsKeys::read(SettingsKeys::amp);
    return Wine::prefixOf(amp).isEmpty() ? QString() : amp;
}

void frmmain::useInWinamp(const QString& skin, WinampUse use)
{
    const QString folder = currentFolder();
    const QString amp = reachableAmp();
    const int codePage = WineCodePage::current();
    const QString path = WinampIni::skinPath(amp, folder, skin);
    // Told first, so that Winamp switches while winamp.ini is being written; a name it
    // cannot read is refused by the update below, and is no use to it either.
    const bool tell = !amp.isEmpty() && WinampIni::encodeValue(path, codePage).has_value();
    if (tell) {
        const bool start = use == WinampUse::Start;
        m_remote->setSkin(amp, path, codePage, start, [this, amp, start](const WinampRemote::Reply& reply) {
            using Outcome = WinampRemote::Outcome;
            // Started as ever when no Winamp runs; a helper that cannot run could not
            // have found one either.
            if (start && (reply.outcome == Outcome::NotRunning || reply.outcome == Outcome::NoHelper))
                WinampLaunch::startWinamp(amp);
            else if (reply.outcome == Outcome::Unconfirmed || reply.outcome == Outcome::NoHelper)
                showNotSwitched(this, reply.outcome);
        });
    }
    if (const RunError error = Winamp_Ini_Update(ampPath(), folder, skin))
        showApplyFailure(error);
    if (!tell && use == WinampUse::Start)
        WinampLaunch::startWinamp(ampPath());
}

void frmmain::askWinampInUse()
{
    const QString amp = reachableAmp();
    if (amp.isEmpty() || m_listed.isEmpty())
        return;
    const QString folder = currentFolder();
    m_remote->readSkin(amp, WineCodePage::current(), [this, amp, folder](const WinampRemote::Reply& reply) {
        if (folder != currentFolder())
            return;
        // Gone since it was last asked: what it wrote back when it quit counts now.
        if (reply.outcome == WinampRemote::Outcome::NotRunning)
            showInUse(WinampInUse::current(amp, folder, m_listed));
        else if (reply.outcome == WinampRemote::Outcome::Confirmed)
            showInUse(WinampInUse::skinIn(WinampInUse::fromWinamp(amp, reply.skin), amp, folder, m_listed));
    });
}
