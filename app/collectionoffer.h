// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ops/dropadd.h"

#include <QStringList>

#include <functional>

class OptFrmHolder;
class QWidget;

// Stands between the folders a user chose or dropped and the skin folder: a folder that is
// no skin stays where it is and is named in a box; a folder holding skins (a collection)
// is offered, to add each of its skins or to register it in a free slot of the registered
// folders. Skins and archives pass as they are.
class CollectionOffer
{
public:
    CollectionOffer(QWidget* parent, std::function<OptFrmHolder&()> settings);

    struct Sorted
    {
        QStringList toAdd; // skins and archives, to be added as ever
        QList<DropAdd::Added> added; // the skins of the collections the user chose to add
        int registered = -1; // the slot of a collection registered, to be shown
    };
    // Asks about the folders among paths that are no skin, and adds the collections the
    // user wants added to skinFolder.
    Sorted sortOut(const QStringList& paths, const QString& skinFolder, const DropAdd::Progress& progress = {});

private:
    void offer(const QString& path, const QStringList& skins, const QString& skinFolder,
        const DropAdd::Progress& progress, Sorted& sorted);

    QWidget* m_parent;
    std::function<OptFrmHolder&()> m_settings;
};
