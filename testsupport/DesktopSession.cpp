#include "DesktopSession.h"

#include <QDeadlineTimer>
#include <QThread>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

DesktopSession::~DesktopSession()
{
    Stop();
}

bool DesktopSession::Start(const Options& options)
{
    m_screen = options.screen;
    m_oldDisplay = qgetenv("DISPLAY");
    m_oldBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    m_exported = true;
    if (options.x11 && !StartX())
        return false;
    if (options.sessionBus && !StartBus())
        return false;
    if (options.accessibilityBus && (!options.sessionBus || !StartAccessibilityBus()))
        return false;
    if (options.windowManager && !StartHelper("openbox", {"--sm-disable"}))
        return false;
    if (options.trayHost
        && !StartHelper("trayer", {"--edge", "top", "--align", "right", "--widthtype", "request",
                                   "--height", "24", "--SetDockType", "true"}))
        return false;
    return true;
}

bool DesktopSession::StartX()
{
    // Xvfb picks a free display number itself and writes it to -displayfd.
    int fds[2];
    if (pipe(fds) != 0) {
        m_error = "pipe failed";
        return false;
    }
    m_xvfb = std::make_unique<QProcess>();
    m_xvfb->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList args;
    if (m_displayNumber >= 0)
        args << QString(":%1").arg(m_displayNumber);
    args << "-screen" << "0" << m_screen << "-nolisten" << "tcp" << "-noreset";
    if (m_displayNumber < 0)
        args << "-displayfd" << QString::number(fds[1]);
    int writeFd = fds[1];
    m_xvfb->setChildProcessModifier([writeFd] { fcntl(writeFd, F_SETFD, 0); });
    m_xvfb->start("Xvfb", args);
    bool started = m_xvfb->waitForStarted(10000);
    close(fds[1]);
    if (!started) {
        close(fds[0]);
        m_error = "Xvfb did not start (is the xvfb package installed?)";
        return false;
    }
    if (m_displayNumber < 0) {
        QByteArray number;
        char c;
        fcntl(fds[0], F_SETFL, O_NONBLOCK);
        QDeadlineTimer deadline(15000);
        while (!deadline.hasExpired()) {
            ssize_t n = read(fds[0], &c, 1);
            if (n == 1) {
                if (c == '\n')
                    break;
                number.append(c);
            } else if (n == 0) {
                break;
            } else {
                QThread::msleep(10);
            }
        }
        close(fds[0]);
        bool ok = false;
        m_displayNumber = number.trimmed().toInt(&ok);
        if (!ok) {
            m_error = "Xvfb did not report its display";
            m_displayNumber = -1;
            return false;
        }
    } else {
        close(fds[0]);
        // Wait until the server answers.
        QDeadlineTimer deadline(15000);
        m_display = QString(":%1").arg(m_displayNumber);
        qputenv("DISPLAY", m_display.toLocal8Bit());
        while (!deadline.hasExpired() && Run("xdpyinfo", {}, nullptr, 2000) != 0)
            QThread::msleep(50);
    }
    m_display = QString(":%1").arg(m_displayNumber);
    qputenv("DISPLAY", m_display.toLocal8Bit());
    return true;
}

void DesktopSession::StopX()
{
    if (!m_xvfb)
        return;
    m_xvfb->terminate();
    if (!m_xvfb->waitForFinished(5000))
        m_xvfb->kill();
    m_xvfb->waitForFinished(2000);
    m_xvfb.reset();
}

bool DesktopSession::StartBus()
{
    QProcess bus;
    bus.start("dbus-daemon", {"--session", "--fork", "--print-address=1", "--print-pid=1", "--nosyslog"});
    if (!bus.waitForFinished(10000) || bus.exitCode() != 0) {
        m_error = "dbus-daemon did not start";
        return false;
    }
    const QList<QByteArray> lines = bus.readAllStandardOutput().split('\n');
    if (lines.size() < 2) {
        m_error = "dbus-daemon printed no address";
        return false;
    }
    m_busAddress = QString::fromLocal8Bit(lines[0].trimmed());
    m_busPid = lines[1].trimmed().toLongLong();
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_busAddress.toLocal8Bit());
    return !m_busAddress.isEmpty();
}

bool DesktopSession::StartAccessibilityBus()
{
    // The launcher takes org.a11y.Bus on the session bus and runs the
    // accessibility bus itself; the registry starts on it when asked for.
    if (!StartHelper("/usr/libexec/at-spi-bus-launcher", {"--launch-immediately"}))
        return false;
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        QByteArray out;
        Run("dbus-send", {"--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus.GetAddress"},
            &out, 3000);
        if (out.contains("unix:"))
            return true;
        QThread::msleep(50);
    }
    m_error = "the accessibility bus did not start (is at-spi2-core installed?)";
    return false;
}

bool DesktopSession::StartHelper(const QString& program, const QStringList& args)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->start(program, args);
    if (!process->waitForStarted(10000)) {
        m_error = program + " did not start";
        return false;
    }
    m_helpers.push_back(std::move(process));
    QThread::msleep(300); // let it map its windows before the test looks
    return true;
}

void DesktopSession::Stop()
{
    for (auto it = m_helpers.rbegin(); it != m_helpers.rend(); ++it) {
        (*it)->terminate();
        if (!(*it)->waitForFinished(3000))
            (*it)->kill();
        (*it)->waitForFinished(1000);
    }
    m_helpers.clear();
    StopX();
    if (m_busPid > 0) {
        ::kill(static_cast<pid_t>(m_busPid), SIGTERM);
        m_busPid = 0;
    }
    if (m_exported) {
        if (m_oldDisplay.isNull()) qunsetenv("DISPLAY"); else qputenv("DISPLAY", m_oldDisplay);
        if (m_oldBus.isNull()) qunsetenv("DBUS_SESSION_BUS_ADDRESS"); else qputenv("DBUS_SESSION_BUS_ADDRESS", m_oldBus);
        m_exported = false;
    }
}

int DesktopSession::Run(const QString& program, const QStringList& args, QByteArray* out,
                        int timeoutMs) const
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!m_display.isEmpty())
        env.insert("DISPLAY", m_display);
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForStarted(5000))
        return -1;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(1000);
        return -1;
    }
    if (out)
        *out = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool DesktopSession::Screenshot(const QString& pngPath) const
{
    return Run("import", {"-window", "root", pngPath}) == 0;
}
