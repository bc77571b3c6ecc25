// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// A folder path ending with exactly one separator, or empty when the path is empty or
// only separators. Only trailing separators are touched.
QString Path_Slash(const QString& path, QChar separator = QLatin1Char('/'));

// path without its trailing separators; a path of separators only keeps one.
QString withoutTrailingSlashes(const QString& path);
