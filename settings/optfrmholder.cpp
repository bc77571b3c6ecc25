// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/optfrmholder.h"

#include "platform/pathslash.h"
#include "settings/optfrm.h"
#include "settings/settingshost.h"
#include "settings/settingskeys.h"

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>

namespace {

// Reg(i) mirrors slot i; an entry is only ever enabled here, never disabled.
void mirror(SettingsHost& host, const SettingsKeys::Folders& values)
{
    const std::array<QAction*, 5> entries = host.regEntries();
    for (int i = 0; i < SettingsKeys::slotCount; ++i) {
        const QString& caption = values[1 + i];
        entries[i]->setText(caption);
        if (!caption.isEmpty())
            entries[i]->setEnabled(true);
    }
}

} // namespace

OptFrmHolder::OptFrmHolder(SettingsHost& host, QWidget* owner)
    : m_host(host)
    , m_owner(owner)
{
}

OptFrmHolder::~OptFrmHolder()
{
    destroy();
}

Opt_Frm& OptFrmHolder::form()
{
    if (!m_form)
        create();
    return *m_form;
}

Opt_Frm* OptFrmHolder::existing() const
{
    return m_form;
}

void OptFrmHolder::create()
{
    m_form = new Opt_Frm(m_owner);
    fillFields();
}

void OptFrmHolder::destroy()
{
    delete m_form.data();
}

void OptFrmHolder::fillFields()
{
    const SettingsKeys::Folders values = SettingsKeys::readFolders();
    const auto fields = m_form->folderFields();
    for (size_t i = 0; i < fields.size(); ++i)
        fields[i]->setText(values[i]);
    mirror(m_host, values);
}

RunError OptFrmHolder::Settings_Load()
{
    // Asked before anything reads the file: the parsed file is cached per process, and a
    // cached copy no longer tells whether it could be parsed.
    const RunError status = SettingsKeys::readStatus();
    if (status.number == Error::InvalidPropertyValue && m_damagedCopy.isEmpty()) {
        // The values Qt could not read exist only in this file: keep it before any save.
        m_damagedCopy = SettingsKeys::keepDamagedCopy();
        m_storeHeldBack = m_damagedCopy.isEmpty();
    }
    // Something there that cannot be read holds the user's settings all the same.
    if (status.number == Error::PathAccess && QFileInfo::exists(SettingsKeys::file()))
        m_storeHeldBack = true;
    if (m_form)
        fillFields();
    else
        create(); // creating the dialog loads it
    return status;
}

RunError OptFrmHolder::Settings_Save()
{
    const auto fields = form().folderFields();
    SettingsKeys::Folders values;
    for (size_t i = 0; i < fields.size(); ++i)
        values[i] = Path_Slash(fields[i]->text()); // the fields keep the text as typed
    const RunError error
        = m_storeHeldBack ? RunError::fromNumber(Error::PathAccess) : SettingsKeys::writeFolders(values);
    mirror(m_host, values);
    return error;
}

QString OptFrmHolder::damagedCopy() const
{
    return m_damagedCopy;
}

RunError OptFrmHolder::showModal()
{
    Opt_Frm& dialog = form();
    if (dialog.exec() != QDialog::Accepted) {
        destroy();
        return {};
    }
    m_host.makeCurrentFolder(Path_Slash(dialog.Skin_Path[0]->text()));
    const RunError error = Settings_Save();
    m_host.Skin_Rescan();
    if (!error)
        destroy();
    return error;
}

int OptFrmHolder::slotFor(const QString& folder)
{
    const auto& fields = form().Skin_Path;
    for (int i = 0; i < int(fields.size()); ++i) {
        if (Path_Slash(fields[i]->text()) == Path_Slash(folder))
            return i;
    }
    for (int i = 0; i < int(fields.size()); ++i) {
        if (fields[i]->text().isEmpty())
            return i;
    }
    return -1;
}

RunError OptFrmHolder::registerFolder(int slot, const QString& folder)
{
    form().Skin_Path[slot]->setText(Path_Slash(folder));
    return Settings_Save();
}

QString OptFrmHolder::ampPath()
{
    return form().Amp_Path->text();
}
