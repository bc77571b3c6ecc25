// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

namespace Machine {

// Processor, cores, memory, kernel, the file system holding folder, Qt and compiler:
// what a reader needs to weigh the numbers.
QString describe(const QString& folder);

// The 1-minute load average: other work on the machine stretches wall-clock times.
QString loadAverage();

// The middle value, or the mean of the middle two; 0 for none.
double median(QList<double> values);

} // namespace Machine
