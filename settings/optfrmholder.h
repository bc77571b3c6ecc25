// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/runerror.h"

#include <QPointer>
#include <QString>

class Opt_Frm;
class QWidget;
class SettingsHost;

// Keeps the settings dialog, the working copy of the folder settings, alive between
// the moments that need it: created hidden and loaded from the store on demand,
// destroyed by OK and Cancel, so the next use loads the stored values again.
class OptFrmHolder
{
public:
    // owner: the window the dialog belongs to (kept off the task bar through it).
    OptFrmHolder(SettingsHost& host, QWidget* owner);
    ~OptFrmHolder();
    OptFrmHolder(const OptFrmHolder&) = delete;
    OptFrmHolder& operator=(const OptFrmHolder&) = delete;

    // The dialog, created hidden and loaded from the store when it does not exist.
    Opt_Frm& form();
    // The dialog if it exists, without creating it.
    Opt_Frm* existing() const;

    // Store to fields to Reg captions. Fails when the store cannot be read; the fields
    // then hold what could be read. A damaged file (380) is first kept beside itself; an
    // unreadable one (75) is held back.
    RunError Settings_Load();
    // Fields to store and to Reg captions. All six values are written and all captions
    // set even when a write fails; the first failure is returned. Nothing is written over
    // a store held back (75).
    RunError Settings_Save();

    // After a load that found the store's file damaged: the copy kept of it, or nothing
    // when none could be made.
    QString damagedCopy() const;
    // Damaged and not kept, or there and unreadable (too large, a folder, no permission):
    // nothing may be written over it.
    bool storeHeldBack() const { return m_storeHeldBack; }

    // Shows the dialog modally. OK makes slot 0 current, saves and rescans; OK and
    // Cancel destroy the dialog. A save that fails keeps the dialog (hidden) with the
    // user's values as the working copy and is returned, so it can be reported and
    // tried again.
    RunError showModal();

    // The registered slot that holds folder, else the first empty one, else -1.
    int slotFor(const QString& folder);
    // Puts folder into slot (unless it is there already) and saves, as the dialog's OK
    // saves; the Reg entry shows it then.
    RunError registerFolder(int slot, const QString& folder);

    // The Winamp folder as the fields hold it.
    QString ampPath();

private:
    void create();
    void destroy();
    void fillFields();

    SettingsHost& m_host;
    QPointer<QWidget> m_owner;
    QPointer<Opt_Frm> m_form;
    QString m_damagedCopy;
    bool m_storeHeldBack = false; // damaged and not kept: writing would lose it
};
