// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/openpath.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class frmmain;

// A skin opened from outside the registered folders (a download opened from the file
// manager) is shown where it lies, and then offered a copy in a registered folder, where
// Winamp can keep using it after the download is gone.
class CopyOffer : public QObject
{
    Q_OBJECT
public:
    explicit CopyOffer(frmmain& window);

    // The window shows target now. A skin outside every registered folder is offered once
    // the window is on screen; while an offer is open, the latest target waits for it.
    void shown(const OpenPath::Target& target);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void askPending();
    void offer(const OpenPath::Target& target);
    // The folder chosen in the box, or empty when the user declined.
    QString chooseFolder(const QString& skin, const QStringList& folders);

    frmmain& m_window;
    std::optional<OpenPath::Target> m_pending;
    bool m_asking = false;
};
