// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/skinsearch.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <numeric>

namespace SkinSearch {

namespace {

bool isAscii(const QString& text)
{
    const auto* p = reinterpret_cast<const char16_t*>(text.utf16());
    const char16_t* end = p + text.size();
    char16_t any = 0;
    for (; p != end; ++p)
        any |= *p;
    return any < 0x80;
}

QString foldAscii(const QString& text)
{
    const auto* data = reinterpret_cast<const char16_t*>(text.utf16());
    qsizetype i = 0;
    while (i < text.size() && !(data[i] >= u'A' && data[i] <= u'Z'))
        ++i;
    // Already folded: the same string, shared, no copy.
    if (i == text.size())
        return text;
    QString folded = text;
    char16_t* out = reinterpret_cast<char16_t*>(folded.data());
    for (; i < folded.size(); ++i) {
        if (out[i] >= u'A' && out[i] <= u'Z')
            out[i] = char16_t(out[i] + (u'a' - u'A'));
    }
    return folded;
}

} // namespace

QString fold(const QString& text)
{
    if (isAscii(text))
        return foldAscii(text);
    // NFKC turns full-width letters into ASCII and half-width kana into full-width ones,
    // voiced marks joined (ｶﾞ to ガ).
    QString folded = text.normalized(QString::NormalizationForm_KC).toCaseFolded();
    for (QChar& c : folded) {
        const char16_t u = c.unicode();
        // Hiragana ぁ to ゖ and the iteration marks ゝゞ have katakana exactly 0x60 above.
        if ((u >= 0x3041 && u <= 0x3096) || u == 0x309d || u == 0x309e)
            c = QChar(char16_t(u + 0x60));
    }
    return folded;
}

QStringList foldAll(const QStringList& names)
{
    QStringList folded;
    folded.reserve(names.size());
    for (const QString& name : names)
        folded.append(fold(name));
    return folded;
}

QStringList wordsOf(const QString& typed)
{
    return fold(typed).simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

bool matches(const QString& foldedName, const QStringList& words)
{
    for (const QString& word : words) {
        if (!foldedName.contains(word))
            return false;
    }
    return true;
}

QList<int> filter(const QStringList& folded, const QStringList& words, const QList<int>& candidates)
{
    if (words.isEmpty())
        return candidates;
    QList<int> rows;
    for (const int row : candidates) {
        if (matches(folded.at(row), words))
            rows.append(row);
    }
    return rows;
}

QList<int> allRows(int count)
{
    QList<int> rows(count);
    std::iota(rows.begin(), rows.end(), 0);
    return rows;
}

QList<int> newestFirst(const QString& folder, const QStringList& names)
{
    QList<qint64> times(names.size(), std::numeric_limits<qint64>::min());
    const int dir = ::open(QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder).constData(),
        O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        for (qsizetype i = 0; i < names.size(); ++i) {
            struct stat st;
            if (fstatat(dir, QFile::encodeName(names.at(i)).constData(), &st, 0) == 0)
                times[i] = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        }
        ::close(dir);
    }
    QList<int> rows = allRows(int(names.size()));
    std::stable_sort(rows.begin(), rows.end(), [&times](int a, int b) { return times[a] > times[b]; });
    return rows;
}

int randomRow(int count, int current, QRandomGenerator& random)
{
    if (count <= 0)
        return -1;
    if (count == 1 || current < 0 || current >= count)
        return int(random.bounded(quint32(count)));
    // One of the others, each as likely: the rows after current move down by one.
    const int row = int(random.bounded(quint32(count - 1)));
    return row >= current ? row + 1 : row;
}

} // namespace SkinSearch
