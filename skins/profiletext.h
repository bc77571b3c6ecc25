// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>

#include <optional>

// A skin's INI files (pledit.txt, region.txt) read as Winamp reads them, through Windows'
// GetPrivateProfileString.
namespace ProfileText {

// The value of key in section: names compared ignoring ASCII case, only the first section
// of that name looked into and the first key of that name in it taken; blanks around the
// value dropped, and one pair of quotes around it. Empty for a key without "=". Nothing
// when the section or the key is absent. A view into text, which may run to megabytes.
std::optional<QByteArrayView> value(QByteArrayView text, QByteArrayView section, QByteArrayView key);

} // namespace ProfileText
