// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>

#include <optional>

// The ANSI code page Winamp reads winamp.ini in: Wine's, chosen from the locale of the
// environment Winamp starts with.
namespace WineCodePage {

// The code page of a locale name such as "ja_JP.UTF-8" or "sr_RS@latin"; 1252 for
// anything Wine does not map elsewhere, "C", "POSIX" and the empty name included.
int forLocale(const QString& locale);

// The locale as glibc picks it: LC_ALL, else LC_CTYPE, else LANG, an empty variable
// counting as unset. Its code page.
int forEnvironment(const QProcessEnvironment& environment);

// Whether text can be encoded in codePage (the ones forLocale gives).
bool isSupported(int codePage);

// The code page to write in: the store's Winamp/CodePage when it is a supported number,
// else the one of environment.
int forWinamp(const QString& stored, const QProcessEnvironment& environment);

// The code page for this process: its store and its own environment, which Winamp inherits.
int current();

// text in codePage, or nothing when a character has no exact byte sequence there
// (no best fit, no "?") or the code page is unsupported.
std::optional<QByteArray> encode(const QString& text, int codePage);

// bytes read in codePage; nothing when the code page is unsupported.
std::optional<QString> decode(const QByteArray& bytes, int codePage);

} // namespace WineCodePage
