// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/machine.h"

#include <QFile>
#include <QStorageInfo>
#include <QSysInfo>
#include <QThread>

#include <algorithm>

#include <unistd.h>

namespace Machine {

namespace {

QString cpuModel()
{
    QFile info(QStringLiteral("/proc/cpuinfo"));
    if (!info.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown processor");
    const QList<QByteArray> lines = info.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (line.startsWith("model name"))
            return QString::fromLatin1(line.mid(line.indexOf(':') + 1).trimmed());
    }
    return QStringLiteral("unknown processor");
}

} // namespace

QString describe(const QString& folder)
{
    const double memory = double(sysconf(_SC_PHYS_PAGES)) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024 * 1024);
    const QStorageInfo storage(folder);
    return QStringLiteral("%1, %2 cores, %3 GiB; Linux %4; folders on %5; Qt %6; %7")
        .arg(cpuModel())
        .arg(QThread::idealThreadCount())
        .arg(memory, 0, 'f', 0)
        .arg(QSysInfo::kernelVersion(), QString::fromLatin1(storage.fileSystemType()), QString::fromLatin1(qVersion()),
            QStringLiteral("g++ " __VERSION__));
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll().split(' ').value(0));
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

} // namespace Machine
