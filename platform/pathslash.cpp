// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/pathslash.h"

QString Path_Slash(const QString& path, QChar separator)
{
    QString result = path;
    if (result.endsWith(separator)) {
        while (result.size() >= 2 && result.at(result.size() - 1) == separator
            && result.at(result.size() - 2) == separator)
            result.chop(1);
    } else {
        result.append(separator);
    }
    if (result.size() == 1 && result.at(0) == separator)
        return {};
    return result;
}

QString withoutTrailingSlashes(const QString& path)
{
    QString result = path;
    while (result.size() > 1 && result.endsWith(QLatin1Char('/')))
        result.chop(1);
    return result;
}
