// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

struct sqlite3;

// The full-text tokenizer "hadrel" for readmes. Runs of letters and digits are words,
// folded as names are (letter case, full and half widths, hiragana and katakana); runs
// of Japanese or Chinese script, which no space divides, become overlapping pairs of
// characters, each character also standing alone, so that any word of two or more
// characters is found as a phrase of pairs anywhere inside a run, and a single character
// by itself.
namespace WordSplitter {

// Registers the tokenizer on db; false when FTS5 is missing.
bool install(sqlite3* db);

// The MATCH expression for typed text: every word, each as a phrase, its last token a
// prefix. Empty when typed holds no word.
QString matchExpression(const QString& typed);

} // namespace WordSplitter
