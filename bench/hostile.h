// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// A skin folder of one real skin beside hand-made hostile files of a few kilobytes each,
// the kinds a collection from the internet holds by accident or not.
namespace Hostile {

// Fills folder (which exists); realSkin is a real skin's folder (ending with "/"),
// copied in as "A real skin". The names of the skins made, in the order made.
QStringList make(const QString& folder, const QString& realSkin, QString* error);

} // namespace Hostile
