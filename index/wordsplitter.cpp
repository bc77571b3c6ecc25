// SPDX-License-Identifier: GPL-3.0-or-later
#include "index/wordsplitter.h"

#include "skins/skinsearch.h"

#include <QByteArray>
#include <QChar>

#include <sqlite3.h>

#include <vector>

namespace WordSplitter {

namespace {

bool isCjk(char32_t c)
{
    return (c >= 0x3040 && c <= 0x30ff) || (c >= 0x3005 && c <= 0x3007) || (c >= 0x31f0 && c <= 0x31ff)
        || (c >= 0x3400 && c <= 0x4dbf) || (c >= 0x4e00 && c <= 0x9fff) || (c >= 0xac00 && c <= 0xd7af)
        || (c >= 0xf900 && c <= 0xfaff) || (c >= 0xff66 && c <= 0xff9f) || (c >= 0x20000 && c <= 0x3ffff);
}

enum class Kind { none, word, cjk };

Kind kindOf(char32_t c)
{
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? Kind::word : Kind::none;
    if (isCjk(c))
        return Kind::cjk;
    return QChar::isLetterOrNumber(c) ? Kind::word : Kind::none;
}

// One code point of UTF-8 at text[at], its length in length; a bad byte counts as none.
char32_t decodeAt(const unsigned char* text, int size, int at, int& length)
{
    const unsigned char b = text[at];
    const int need = b < 0x80 ? 0 : (b & 0xe0) == 0xc0 ? 1 : (b & 0xf0) == 0xe0 ? 2 : (b & 0xf8) == 0xf0 ? 3 : -1;
    length = 1;
    if (need == 0)
        return b;
    if (need < 0 || at + need >= size)
        return 0xfffd;
    char32_t c = need == 1 ? (b & 0x1f) : need == 2 ? (b & 0x0f) : (b & 0x07);
    for (int i = 1; i <= need; ++i) {
        if ((text[at + i] & 0xc0) != 0x80)
            return 0xfffd;
        c = c << 6 | (text[at + i] & 0x3f);
    }
    length = need + 1;
    return c;
}

using TokenCallback = int (*)(void*, int, const char*, int, int, int);

int pass(TokenCallback token, void* context, int flags, const QString& text, int start, int end)
{
    const QByteArray bytes = text.toUtf8();
    return bytes.isEmpty() ? SQLITE_OK : token(context, flags, bytes.constData(), int(bytes.size()), start, end);
}

// A run of script without spaces: pairs, and in documents each character colocated.
int emitCjk(TokenCallback token, void* context, bool query, const QString& run, int start, int end)
{
    const QList<uint> c = SkinSearch::fold(run).toUcs4();
    auto one = [&](qsizetype i) { return QString::fromUcs4(reinterpret_cast<const char32_t*>(&c[i]), 1); };
    if (c.size() == 1)
        return pass(token, context, 0, one(0), start, end);
    int rc = SQLITE_OK;
    for (qsizetype i = 0; rc == SQLITE_OK && i + 1 < c.size(); ++i) {
        rc = pass(token, context, 0, QString::fromUcs4(reinterpret_cast<const char32_t*>(&c[i]), 2), start, end);
        if (query)
            continue;
        if (rc == SQLITE_OK)
            rc = pass(token, context, FTS5_TOKEN_COLOCATED, one(i), start, end);
        if (rc == SQLITE_OK && i + 2 == c.size())
            rc = pass(token, context, FTS5_TOKEN_COLOCATED, one(i + 1), start, end);
    }
    return rc;
}

int tokenize(Fts5Tokenizer*, void* context, int flags, const char* text, int size, TokenCallback token)
{
    const bool query = (flags & FTS5_TOKENIZE_QUERY) != 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    int at = 0;
    int rc = SQLITE_OK;
    while (rc == SQLITE_OK && at < size) {
        int length = 0;
        const Kind kind = kindOf(decodeAt(bytes, size, at, length));
        if (kind == Kind::none) {
            at += length;
            continue;
        }
        const int start = at;
        at += length;
        while (at < size && kindOf(decodeAt(bytes, size, at, length)) == kind)
            at += length;
        // Most words of most readmes are ASCII, folded here without a string of their own.
        char folded[64];
        const int n = at - start;
        bool ascii = kind == Kind::word && n <= int(sizeof folded);
        for (int i = 0; ascii && i < n; ++i) {
            const char c = text[start + i];
            ascii = (c & 0x80) == 0;
            folded[i] = c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
        }
        if (ascii) {
            rc = token(context, 0, folded, n, start, at);
            continue;
        }
        const QString run = QString::fromUtf8(text + start, n);
        rc = kind == Kind::word ? pass(token, context, 0, SkinSearch::fold(run), start, at)
                                : emitCjk(token, context, query, run, start, at);
    }
    return rc;
}

// One tokenizer serves every table: it keeps nothing.
int create(void*, const char**, int, Fts5Tokenizer** out)
{
    static char instance;
    *out = reinterpret_cast<Fts5Tokenizer*>(&instance);
    return SQLITE_OK;
}

void destroy(Fts5Tokenizer*) { }

fts5_api* apiOf(sqlite3* db)
{
    fts5_api* api = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr) != SQLITE_OK)
        return nullptr;
    sqlite3_bind_pointer(statement, 1, &api, "fts5_api_ptr", nullptr);
    sqlite3_step(statement);
    sqlite3_finalize(statement);
    return api;
}

} // namespace

bool install(sqlite3* db)
{
    fts5_api* api = apiOf(db);
    if (!api)
        return false;
    fts5_tokenizer tokenizer { create, destroy, tokenize };
    return api->xCreateTokenizer(api, "hadrel", nullptr, &tokenizer, nullptr) == SQLITE_OK;
}

QString matchExpression(const QString& typed)
{
    QStringList phrases;
    for (QString word : SkinSearch::wordsOf(typed)) {
        // A word of punctuation alone would match nothing, or be an error in a phrase.
        bool any = false;
        for (const char32_t c : word.toUcs4())
            any = any || kindOf(c) != Kind::none;
        if (any)
            phrases << QLatin1Char('"') + word.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1String("\"*");
    }
    return phrases.join(QLatin1Char(' '));
}

} // namespace WordSplitter
