// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/profiletext.h"

namespace ProfileText {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

} // namespace

std::optional<QByteArrayView> value(QByteArrayView text, QByteArrayView section, QByteArrayView key)
{
    bool inSection = false;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        const QByteArrayView line = trimmed(text.sliced(start, end - start));
        start = end + 1;
        if (line.startsWith('[')) {
            if (inSection)
                return std::nullopt;
            const qsizetype close = line.indexOf(']');
            inSection = sameName(trimmed(close < 0 ? line.sliced(1) : line.sliced(1, close - 1)), section);
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf('=');
        if (!sameName(trimmed(eq < 0 ? line : line.first(eq)), key))
            continue;
        QByteArrayView found = eq < 0 ? QByteArrayView() : trimmed(line.sliced(eq + 1));
        if (found.size() >= 2 && (found.front() == '"' || found.front() == '\'') && found.back() == found.front())
            found = found.sliced(1, found.size() - 2);
        return found;
    }
    return std::nullopt;
}

} // namespace ProfileText
