// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

// Finding skins by name among many: the folding that makes typed text and names meet,
// the filter, the newest-first order and the random pick.
namespace SkinSearch {

// text as it is compared: letter case, full-width and half-width forms (ＡＢＣ, ｽｷﾝ) and
// hiragana and katakana (すきん, スキン) all folded to one form. ASCII-only text, most
// names, takes a short way.
QString fold(const QString& text);
QStringList foldAll(const QStringList& names);

// The words of typed text, folded; whitespace of any width separates them.
QStringList wordsOf(const QString& typed);

// Every word occurs in the folded name.
bool matches(const QString& foldedName, const QStringList& words);

// The rows of candidates whose folded name matches every word, in the candidates' order.
QList<int> filter(const QStringList& folded, const QStringList& words, const QList<int>& candidates);
// 0 to count - 1: every row, in the list's order.
QList<int> allRows(int count);

// The rows of names (skins of folder, ending with a separator) ordered newest first by the
// modification time of each folder or archive, read with one stat call each; equal
// times, and skins that cannot be read (last), keep the names' order.
QList<int> newestFirst(const QString& folder, const QStringList& names);

// A row of count, each as likely, never current when there are two or more; -1 when
// count is 0.
int randomRow(int count, int current, QRandomGenerator& random);

} // namespace SkinSearch
