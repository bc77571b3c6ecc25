// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/listedits.h"

#include "skins/skinscan.h"

#include <QSet>

#include <algorithm>

namespace ListEdits {

namespace {

qsizetype lowerBound(const QStringList& names, const QString& name)
{
    return std::lower_bound(names.cbegin(), names.cend(), name, SkinScan::lessCaseBlind) - names.cbegin();
}

} // namespace

QList<Edit> applyChanged(const QString& folder, QStringList& names, const QStringList& changed)
{
    QList<Edit> edits;
    QSet<QString> asked;
    for (const QString& name : changed) {
        if (name.isEmpty() || asked.contains(name))
            continue;
        asked.insert(name);
        const qsizetype at = lowerBound(names, name);
        const bool listed = at < names.size() && names.at(at) == name;
        const bool skin = SkinScan::isListedSkin(folder, name);
        if (skin == listed)
            continue;
        if (skin)
            names.insert(at, name);
        else
            names.removeAt(at);
        edits.append({ int(at), name, skin });
    }
    return edits;
}

QList<Edit> applyListing(QStringList& names, const QStringList& listed)
{
    QList<Edit> edits;
    qsizetype i = 0, j = 0;
    int row = 0; // in the list as the edits so far have left it
    while (i < names.size() || j < listed.size()) {
        if (i < names.size() && j < listed.size() && names.at(i) == listed.at(j)) {
            ++i, ++j, ++row;
        } else if (j == listed.size() || (i < names.size() && SkinScan::lessCaseBlind(names.at(i), listed.at(j)))) {
            edits.append({ row, names.at(i++), false });
        } else {
            edits.append({ row++, listed.at(j++), true });
        }
    }
    names = listed;
    return edits;
}

int rowOf(const QStringList& names, const QString& name)
{
    if (names.isEmpty())
        return -1;
    return int(std::min(lowerBound(names, name), names.size() - 1));
}

} // namespace ListEdits
