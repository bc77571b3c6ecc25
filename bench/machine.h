// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace Machine {

// Processor, cores, memory, kernel, the file system holding folder, Qt and compiler:
// what a reader needs to weigh the numbers.
QString describe(const QString& folder);

// The 1-minute load average: other work on the machine stretches wall-clock times.
QString loadAverage();

} // namespace Machine
