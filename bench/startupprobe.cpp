// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/startupprobe.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcessEnvironment>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

template<class T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

template<class T> XcbReply<T> wrap(T* reply)
{
    return XcbReply<T>(reply, &std::free);
}

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    auto reply = wrap(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QString windowTitle(xcb_connection_t* c, xcb_window_t window, xcb_atom_t netWmName, xcb_atom_t utf8)
{
    for (auto [property, type] : { std::pair { netWmName, utf8 },
             std::pair { xcb_atom_t(XCB_ATOM_WM_NAME), xcb_atom_t(XCB_GET_PROPERTY_TYPE_ANY) } }) {
        auto reply = wrap(xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 1024), nullptr));
        if (reply && xcb_get_property_value_length(reply.get()) > 0)
            return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                xcb_get_property_value_length(reply.get()));
    }
    return {};
}

// The window's pixels, or a null image while they cannot be read.
QImage grab(xcb_connection_t* c, xcb_window_t window)
{
    auto geometry = wrap(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    if (!geometry || geometry->depth != 24)
        return {};
    auto image = wrap(xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, geometry->width, geometry->height, ~0u), nullptr));
    if (!image)
        return {};
    const int bytes = xcb_get_image_data_length(image.get());
    if (bytes != geometry->width * geometry->height * 4)
        return {};
    QImage copy(xcb_get_image_data(image.get()), geometry->width, geometry->height, QImage::Format_RGB32);
    return copy.copy();
}

bool isDrawn(const QImage& image)
{
    if (image.isNull())
        return false;
    qint64 lit = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            lit += (line[x] & 0xffffff) != 0;
    }
    return lit * 10 >= qint64(image.width()) * image.height() * 9;
}

qint64 peakKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

// User and system CPU time of a process, in clock ticks.
qint64 cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The fields after the command name, which may hold blanks, from its closing ')'.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields[11].toLongLong() + fields[12].toLongLong() : -1;
}

} // namespace

XvfbServer::~XvfbServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

QString XvfbServer::start()
{
    // -displayfd: the server picks a free display and names it; -br: a black root, the
    // background the first-frame test measures against.
    m_process.start(QStringLiteral("Xvfb"),
        { QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
            QStringLiteral("1024x768x24"), QStringLiteral("-br"), QStringLiteral("-noreset"),
            QStringLiteral("-nolisten"), QStringLiteral("tcp") });
    if (!m_process.waitForStarted(5000))
        return QStringLiteral("Xvfb does not start (scripts/setup installs it)");
    QDeadlineTimer deadline(10000);
    QByteArray out;
    while (!deadline.hasExpired() && !out.contains('\n') && m_process.state() == QProcess::Running) {
        m_process.waitForReadyRead(100);
        out += m_process.readAllStandardOutput();
    }
    if (out.trimmed().isEmpty())
        return QStringLiteral("Xvfb named no display");
    m_display = QStringLiteral(":") + QString::fromLatin1(out.trimmed());
    return {};
}

StartupRun runStartup(const QString& display, const QString& binary, const QString& configHome, int timeoutMs,
    const QString& shotFile, int settleTimeoutMs)
{
    StartupRun run;
    xcb_connection_t* c = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        run.error = QStringLiteral("cannot open display %1").arg(display);
        return run;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t netWmName = atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(c, "UTF8_STRING");

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.setStandardOutputFile(QProcess::nullDevice());

    QElapsedTimer clock;
    clock.start();
    program.start(binary, {});
    if (!program.waitForStarted(5000)) {
        run.error = QStringLiteral("cannot start %1").arg(binary);
        xcb_disconnect(c);
        return run;
    }

    xcb_window_t window = XCB_WINDOW_NONE;
    QImage frame;
    const int fd = xcb_get_file_descriptor(c);
    while (run.error.isEmpty()) {
        if (clock.elapsed() > timeoutMs)
            run.error = QStringLiteral("no main window within %1 s").arg(timeoutMs / 1000);
        else if (program.state() == QProcess::NotRunning || program.waitForFinished(0))
            run.error = QStringLiteral("the program ended before its window was shown");
        if (!run.error.isEmpty())
            break;
        if (window == XCB_WINDOW_NONE) {
            pollfd p { fd, POLLIN, 0 };
            poll(&p, 1, 20);
            while (auto event = wrap(xcb_poll_for_event(c))) {
                if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY)
                    continue;
                const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event.get());
                const QString title = windowTitle(c, map->window, netWmName, utf8);
                // The splash has no title of its own; the main window's is "Hadrel" or "Hadrel - folder".
                if (title == QLatin1String("Hadrel") || title.startsWith(QLatin1String("Hadrel - "))) {
                    window = map->window;
                    run.title = title;
                    run.mappedMs = clock.nsecsElapsed() / 1e6;
                    break;
                }
            }
            if (xcb_connection_has_error(c))
                run.error = QStringLiteral("lost the display");
            continue;
        }
        frame = grab(c, window);
        if (isDrawn(frame)) {
            run.shownMs = clock.nsecsElapsed() / 1e6;
            run.peakKb = peakKb(program.processId());
            break;
        }
        while (auto event = wrap(xcb_poll_for_event(c))) { }
        usleep(500);
    }

    if (run.error.isEmpty() && settleTimeoutMs > 0) {
        // Idle once its CPU time stands still for half a second: the pictures are all in.
        qint64 last = cpuTicks(program.processId());
        int still = 0;
        while (still < 5 && clock.elapsed() < run.shownMs + settleTimeoutMs && program.state() == QProcess::Running) {
            usleep(100 * 1000);
            const qint64 now = cpuTicks(program.processId());
            still = now == last ? still + 1 : 0;
            last = now;
        }
        run.settledMs = still >= 5 ? clock.nsecsElapsed() / 1e6 - 500 : -1;
        run.peakKb = peakKb(program.processId());
    }
    if (run.error.isEmpty() && !shotFile.isEmpty())
        frame.save(shotFile);
    if (program.state() != QProcess::NotRunning) {
        program.terminate();
        if (!program.waitForFinished(5000)) {
            program.kill();
            program.waitForFinished(5000);
        }
    }
    xcb_disconnect(c);
    return run;
}
