// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/realwindow.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

namespace {

void pause(int ms)
{
    QThread::msleep(ms);
    QCoreApplication::processEvents();
}

void endProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

} // namespace

RealWindowSession::RealWindowSession() = default;

RealWindowSession::~RealWindowSession()
{
    endProcess(m_program);
    endProcess(m_server);
}

QString RealWindowSession::missingTools()
{
    QStringList missing;
    for (const char* tool : { "Xvfb", "xdotool" }) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            missing << QLatin1String(tool);
    }
    return missing.join(QStringLiteral(", "));
}

bool RealWindowSession::startServer()
{
    // A display number another server has just let go may still be on its way out: a
    // server counts only once a client has connected to it, and another one is tried.
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (startServerOnce() && clientConnects())
            return true;
        endProcess(m_server);
        m_display.clear();
    }
    return false;
}

bool RealWindowSession::clientConnects()
{
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (m_server.state() == QProcess::NotRunning)
            return false;
        if (xdotool({ QStringLiteral("getdisplaygeometry") }))
            return true;
        pause(50);
    }
    return false;
}

bool RealWindowSession::startServerOnce()
{
    // -displayfd makes the server pick a free display and tell us which.
    m_server.setProgram(QStringLiteral("Xvfb"));
    m_server.setArguments({ QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
        QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
        // The check's client leaving must not reset the server under the program starting.
        QStringLiteral("-noreset") });
    m_server.setProcessChannelMode(QProcess::SeparateChannels);
    m_server.start();
    if (!m_server.waitForStarted(5000))
        return false;
    QDeadlineTimer deadline(10000);
    QByteArray out;
    while (!deadline.hasExpired() && !out.contains('\n')) {
        m_server.waitForReadyRead(200);
        out += m_server.readAllStandardOutput();
    }
    const QByteArray number = out.trimmed();
    if (number.isEmpty())
        return false;
    m_display = QStringLiteral(":") + QString::fromLatin1(number);
    return true;
}

QProcessEnvironment RealWindowSession::displayEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return env;
}

QProcessEnvironment RealWindowSession::programEnvironment(const QString& configHome, const QProcessEnvironment& extra)
{
    QProcessEnvironment env = displayEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    const QString home = m_world.filePath(QStringLiteral("home"));
    const QString bin = m_world.filePath(QStringLiteral("bin"));
    QDir().mkpath(home);
    QDir().mkpath(bin);
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("PATH"), bin);
    const QStringList keys = extra.keys();
    for (const QString& key : keys)
        env.insert(key, extra.value(key));
    return env;
}

bool RealWindowSession::startProgram(
    const QString& binary, const QString& configHome, const QProcessEnvironment& extra, const QStringList& arguments)
{
    m_program.setProcessEnvironment(programEnvironment(configHome, extra));
    m_program.setProgram(binary);
    m_program.setArguments(arguments);
    m_program.setProcessChannelMode(QProcess::MergedChannels);
    m_program.start();
    return m_program.waitForStarted(5000);
}

int RealWindowSession::runAnother(
    const QString& binary, const QString& configHome, const QStringList& arguments, QString* errors)
{
    QProcess other;
    other.setProcessEnvironment(programEnvironment(configHome, {}));
    other.start(binary, arguments);
    if (!other.waitForFinished(30000)) {
        endProcess(other);
        return -1;
    }
    *errors = QString::fromLocal8Bit(other.readAllStandardError());
    return other.exitStatus() == QProcess::NormalExit ? other.exitCode() : -1;
}

void RealWindowSession::killProgram()
{
    m_program.kill();
    m_program.waitForFinished(5000);
}

bool RealWindowSession::xdotool(const QStringList& arguments, QString* output)
{
    QProcess tool;
    tool.setProcessEnvironment(displayEnvironment());
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(10000)) {
        tool.kill();
        tool.waitForFinished();
        return false;
    }
    if (output)
        *output = QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

QString RealWindowSession::waitForWindow(const QString& titlePattern, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QString ids;
        if (xdotool(
                { QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), titlePattern },
                &ids)
            && !ids.isEmpty())
            return ids.split(QLatin1Char('\n')).first().trimmed();
        if (m_program.state() == QProcess::NotRunning)
            return {};
        pause(100);
    }
    return {};
}

QString RealWindowSession::windowName(const QString& id)
{
    QString name;
    xdotool({ QStringLiteral("getwindowname"), id }, &name);
    return name;
}

bool RealWindowSession::waitForTitle(const QString& id, const QString& title, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (windowName(id) == title)
            return true;
        pause(100);
    }
    return false;
}

bool RealWindowSession::focus(const QString& id, int timeoutMs)
{
    // No window manager runs on the server: focus the window directly, then wait until
    // it is the active one.
    if (!xdotool({ QStringLiteral("windowfocus"), QStringLiteral("--sync"), id }))
        return false;
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QString active;
        if (xdotool({ QStringLiteral("getwindowfocus") }, &active) && active == id)
            return true;
        pause(20);
    }
    return false;
}

bool RealWindowSession::quitFromFileMenu(const QString& windowId)
{
    const QStringList before = programWindows();
    if (!focus(windowId) || !key(QStringLiteral("alt+f")))
        return false;
    // The menu takes its access key once it is open.
    if (waitForNewWindow(before).isEmpty())
        return false;
    return key(QStringLiteral("x"));
}

bool RealWindowSession::clickAt(const QString& windowId, int x, int y, int button)
{
    return xdotool({ QStringLiteral("mousemove"), QStringLiteral("--window"), windowId, QString::number(x),
        QString::number(y), QStringLiteral("click"), QString::number(button) });
}

bool RealWindowSession::screenshot(const QString& file)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    const QString shooter = QCoreApplication::applicationDirPath() + QStringLiteral("/xshot");
    QProcess shot;
    shot.setProcessEnvironment(displayEnvironment());
    shot.start(shooter, { file });
    return shot.waitForFinished(10000) && shot.exitCode() == 0 && QFileInfo(file).size() > 0;
}

int RealWindowSession::waitForExit(int timeoutMs)
{
    if (m_program.state() != QProcess::NotRunning && !m_program.waitForFinished(timeoutMs))
        return -1;
    return m_program.exitStatus() == QProcess::NormalExit ? m_program.exitCode() : -1;
}

QStringList RealWindowSession::programWindows()
{
    if (m_program.state() == QProcess::NotRunning)
        return {};
    QString ids;
    // xdotool fails when nothing matches.
    if (!xdotool({ QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                     QString::number(m_program.processId()) },
            &ids))
        return {};
    return ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString RealWindowSession::waitForNewWindow(const QStringList& known, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const QStringList now = programWindows();
        for (const QString& id : now) {
            if (!known.contains(id))
                return id;
        }
        if (m_program.state() == QProcess::NotRunning)
            return {};
        pause(50);
    }
    return {};
}

bool RealWindowSession::waitForWindowGone(const QString& id, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (!programWindows().contains(id))
            return true;
        pause(50);
    }
    return false;
}

QString RealWindowSession::programOutput()
{
    return QString::fromLocal8Bit(m_program.readAll());
}
