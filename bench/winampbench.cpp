// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/winampbench.h"

#include "app/frmmain.h"
#include "bench/machine.h"
#include "ops/codepage.h"
#include "ops/winampremote.h"
#include "skins/pagestate.h"
#include "tests/support/realwindow.h"
#include "tests/support/storehelpers.h"
#include "tests/support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <ctime>
#include <functional>

namespace WinampBench {

namespace {

using Machine::median;

// Runs the event loop until done says so; false when it did not within the time.
bool spinUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

qint64 fileSize(const QString& path)
{
    return QFileInfo(path).size();
}

QByteArray tail(const QString& path, qint64 from)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(from))
        return {};
    return file.readAll();
}

// The moment the stand-in took its last skin, in microseconds of the Unix epoch (Wine's
// system time is the Linux one).
double lastTaken(const QString& times)
{
    const QList<QByteArray> lines = tail(times, 0).trimmed().split('\n');
    constexpr quint64 unixEpoch = 116444736000000000ULL; // 1970 in 100 ns since 1601
    return (lines.last().toULongLong() - unixEpoch) / 10.0;
}

double nowMicroseconds()
{
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

} // namespace

Result measure(const QString& prefix, const QString& standIn, int runs)
{
    Result result;
    result.runs = runs;
    if (QStandardPaths::findExecutable(QStringLiteral("wine")).isEmpty())
        return { QStringLiteral("wine is not installed") };
    if (!QFile::exists(prefix + QStringLiteral("/system.reg")) || !QFile::exists(standIn)
        || !QFile::exists(WinampRemote::besideProgram()))
        return { QStringLiteral("no Wine prefix, stand-in or helper (build and run the tests once)") };
    RealWindowSession x;
    if (!x.startServer())
        return { QStringLiteral("no X server") };
    qputenv("DISPLAY", x.display().toLatin1());
    qputenv("WINEDLLOVERRIDES", "mscoree,mshtml=");

    QTemporaryDir winamp(prefix + QStringLiteral("/drive_c/hadrel-bench-XXXXXX"));
    QTemporaryDir skins;
    const QString amp = winamp.path() + QStringLiteral("/Winamp/");
    const QString folder = skins.path() + QStringLiteral("/");
    const QString log = amp + QStringLiteral("standin.log");
    QDir().mkpath(amp);
    QFile::copy(standIn, amp + QStringLiteral("Winamp.exe"));
    TestSupport::writeFile(amp + QStringLiteral("winamp.ini"), "[Winamp]\r\ncwd=C:\\\r\nskin=\r\n");
    for (const char* name : { "Aqua", "Blue" })
        TestSupport::makeSkin(folder, QLatin1String(name));
    if (!TestStore::saved(QStringLiteral("Amp"), amp))
        return { QStringLiteral("the settings cannot be written") };

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), prefix);
    environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    QProcess running;
    running.setProcessEnvironment(environment);
    running.start(QStringLiteral("wine"), { amp + QStringLiteral("Winamp.exe") });
    if (!spinUntil([&] { return tail(log, 0).contains("active"); }, 60000))
        return { QStringLiteral("the stand-in did not start") };

    PageState state;
    frmmain window(state, skins.path() + QStringLiteral("/program"));
    window.makeCurrentFolder(folder);
    window.Skin_Rescan();

    // Each apply alternates the two skins; it ends when the stand-in has taken the skin.
    bool ok = true;
    QList<double> later;
    for (int i = 0; i <= runs; ++i) {
        window.Skin_Lst->setCurrentRow(i % 2 ? 0 : 1);
        const QByteArray expected = "copydata Z:" + QFile::encodeName(folder + window.Skin_Lst->currentItem()->text())
                                                        .replace('/', '\\');
        const qint64 from = fileSize(log);
        const double start = nowMicroseconds();
        window.file[5]->trigger();
        ok = spinUntil([&] { return tail(log, from).contains(expected); }, 30000) && ok;
        // When the stand-in took it, not when we saw its log: winamp.ini is written while
        // Winamp switches.
        const double ms = (lastTaken(amp + QStringLiteral("standin.times")) - start) / 1e3;
        if (i == 0)
            result.first = ms;
        else
            later << ms;
        // The read of the skin in use that follows each apply is not part of the next one:
        // each apply starts from an idle window, as a user's does.
        spinUntil([] { return false; }, 250);
    }
    result.later = median(later);

    WinampRemote remote;
    QList<double> trips;
    for (int i = 0; i <= runs; ++i) {
        bool answered = false;
        QElapsedTimer timer;
        timer.start();
        remote.readSkin(amp, WineCodePage::current(), [&answered](const WinampRemote::Reply& reply) {
            answered = reply.outcome == WinampRemote::Outcome::Confirmed;
        });
        ok = spinUntil([&] { return answered; }, 30000) && ok;
        if (i > 0) // the first one starts this remote's helper
            trips << timer.nsecsElapsed() / 1e6;
    }
    result.roundTrip = median(trips);
    result.ok = ok;

    QProcess closing;
    closing.setProcessEnvironment(environment);
    closing.start(QStringLiteral("wine"), { amp + QStringLiteral("Winamp.exe"), QStringLiteral("/close") });
    closing.waitForFinished(30000);
    running.waitForFinished(30000);
    return result;
}

} // namespace WinampBench
