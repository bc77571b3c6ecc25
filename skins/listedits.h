// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The sorted skin list kept up to date from the names of changed folder entries, edit by
// edit, without listing the folder again.
namespace ListEdits {

// One insertion or removal at a row, as the list stands when it is made.
struct Edit
{
    int row = 0;
    QString name;
    bool insert = false;
};

// Brings names (sorted as SkinScan::sortCaseBlind sorts) up to date for the entries of
// folder named in changed: each name is asked the listing's own rule once, and put in or
// taken out where the order wants it. Returns the edits made, in order.
QList<Edit> applyChanged(const QString& folder, QStringList& names, const QStringList& changed);

// Makes names into listed (a fresh listing, sorted the same way) and returns the edits
// that do it, in order.
QList<Edit> applyListing(QStringList& names, const QStringList& listed);

// The row of name in names, or where it would stand: the name that followed it when it
// is gone. -1 for an empty list; the last row when it would follow them all.
int rowOf(const QStringList& names, const QString& name);

} // namespace ListEdits
