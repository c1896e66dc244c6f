// Several processes bound to the real libOvantisHook.so share one set of
// counters; a controller killed outright is replaced by the next one.
#include "DesktopSession.h"
#include "HookTesting.h"
#include "TestHome.h"

#include <QProcess>
#include <QTest>
#include <csignal>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// One process running the probe; Ask() sends a command line and returns
// the answer line.
class Probe {
public:
    bool Start()
    {
        m_process.setProgram(QStringLiteral(HOOK_PROBE_PATH));
        m_process.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        return m_process.waitForStarted(5000);
    }
    QByteArray Ask(const QByteArray& command)
    {
        Send(command);
        return Answer();
    }
    void Send(const QByteArray& command) { m_process.write(command + '\n'); }
    QByteArray Answer()
    {
        QByteArray line;
        while (!line.endsWith('\n')) {
            if (!m_process.canReadLine() && !m_process.waitForReadyRead(10000))
                return "<no answer>";
            line += m_process.readLine();
        }
        return line.trimmed();
    }
    int AskInt(const QByteArray& command) { return Ask(command).toInt(); }
    qint32 Pid() const { return qint32(m_process.processId()); }
    void Kill()
    {
        ::kill(pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }
    bool Quit()
    {
        Ask("quit");
        return m_process.waitForFinished(5000) && m_process.exitCode() == 0;
    }
    ~Probe()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

private:
    QProcess m_process;
};

constexpr int kSettleMs = 300;

// The X server's process: the peer of a connection to its socket.
pid_t XServerPid(const QString& display)
{
    const QByteArray path = "/tmp/.X11-unix/X" + display.mid(1).toLatin1();
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof address.sun_path)
        return 0;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    ucred peer {};
    socklen_t length = sizeof peer;
    const bool known = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0
        && getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0;
    close(fd);
    return known ? peer.pid : 0;
}

} // namespace

class HookProcessesTest : public QObject {
    Q_OBJECT

private slots:
    void OneProcessCountsTheOtherReads()
    {
        TestHome home;
        HookTesting::Attach();
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        Probe counter, reader;
        QVERIFY(counter.Start());
        QVERIFY(reader.Start());
        for (int i = 0; i < 3; ++i)
            QCOMPARE(counter.Ask("key 65 38"), QByteArray("ok"));
        counter.Ask("mouse 513");
        counter.Ask("mouse 515");
        counter.Ask("mouse 514");
        QCOMPARE(reader.AskInt("keys"), 3);
        QCOMPARE(reader.AskInt("clicks"), 2);
        QVERIFY(reader.AskInt("keytime") > 0);
        QVERIFY(reader.AskInt("mousetime") > 0);

        // The reader resets; the counter sees it.
        QCOMPARE(reader.AskInt("setkeys 0"), 1);
        QCOMPARE(counter.AskInt("keys"), 0);

        // The hot key armed in one process fires in the other, and the
        // pressed flag is seen (and cleared) by whoever asks.
        QCOMPARE(reader.AskInt("sethotkey 1 1 0 83"), 1);
        reader.Ask("enable 1");
        counter.Ask("down 17 37");
        counter.Ask("down 18 64");
        counter.Ask("key 83 39");
        counter.Ask("up 18 64");
        counter.Ask("up 17 37");
        QCOMPARE(reader.AskInt("pressed"), 1);
        QCOMPARE(counter.AskInt("pressed"), 0);
        QCOMPARE(reader.AskInt("keys"), 3);

        // And this process, linked another way, sees the same numbers.
        QCOMPARE(HookTesting::IsShared(), true);
        QVERIFY(counter.Quit());
        QVERIFY(reader.Quit());
    }

    void FrozenXServerHangsNobody()
    {
        TestHome home;
        HookTesting::Attach();
        DesktopSession session;
        QVERIFY2(session.Start(), qPrintable(session.Error()));
        const pid_t server = XServerPid(session.Display());
        QVERIFY(server > 0);
        struct Thaw {
            pid_t pid;
            ~Thaw() { ::kill(pid, SIGCONT); }
        } thaw{server};

        Probe controller;
        QVERIFY(controller.Start());
        QCOMPARE(controller.Ask("install"), QByteArray("ok"));
        QCOMPARE(HookTesting::KeyboardHandle(), controller.Pid());
        QCOMPARE(::kill(server, SIGSTOP), 0);

        // Removal gives up on a monitor stuck on the server, and a viewer
        // whose first call takes the session's lock meanwhile is answered.
        controller.Send("remove");
        Probe viewer;
        QVERIFY(viewer.Start());
        QCOMPARE(viewer.Ask("enable 0"), QByteArray("ok"));
        QCOMPARE(controller.Answer(), QByteArray("ok"));
        QCOMPARE(HookTesting::KeyboardHandle(), 0);

        // Installing does not wait for ever on the server, nor hold the lock
        // while it waits: the next viewer is answered first.
        Probe second, nextViewer;
        QVERIFY(second.Start());
        QVERIFY(nextViewer.Start());
        second.Send("install");
        QCOMPARE(nextViewer.Ask("enable 1"), QByteArray("ok"));
        QCOMPARE(second.Answer(), QByteArray("ok"));
        QCOMPARE(HookTesting::KeyboardHandle(), second.Pid());

        // A controller exits, its monitor still stuck.
        QVERIFY(controller.Quit());

        // The server wakes up: the waiting monitor connects and counts.
        QCOMPARE(::kill(server, SIGCONT), 0);
        QVERIFY(QTest::qWaitFor(
            [&] { return session.Run("xdotool", {"type", "a"}) == 0 && viewer.AskInt("keys") > 0; }, 15000));
        viewer.Ask("setkeys 0");
        QCOMPARE(session.Run("xdotool", {"type", "bc"}), 0);
        QTRY_COMPARE(viewer.AskInt("keys"), 2);
        QVERIFY(second.Quit());
        QCOMPARE(HookTesting::KeyboardHandle(), 0);
        QVERIFY(viewer.Quit());
        QVERIFY(nextViewer.Quit());
    }

    void KilledControllerIsReplaced()
    {
        TestHome home;
        HookTesting::Attach();
        DesktopSession session;
        QVERIFY2(session.Start(), qPrintable(session.Error()));

        Probe first, viewer;
        QVERIFY(first.Start());
        QVERIFY(viewer.Start());
        first.Ask("install");
        QCOMPARE(HookTesting::KeyboardHandle(), first.Pid());
        QCOMPARE(HookTesting::MouseHandle(), first.Pid());

        // A second install elsewhere starts no second monitor, and a remove
        // elsewhere does not stop the first one.
        viewer.Ask("install");
        viewer.Ask("remove");
        QCOMPARE(HookTesting::KeyboardHandle(), first.Pid());
        QCOMPARE(session.Run("xdotool", {"type", "ab"}), 0);
        QTRY_COMPARE(viewer.AskInt("keys"), 2);
        QTest::qWait(kSettleMs);
        QCOMPARE(viewer.AskInt("keys"), 2);

        // The controller dies without a word: nothing counts any more, and
        // its handles no longer count as installed.
        first.Kill();
        QVERIFY(!HookTesting::HooksInstalled());
        QCOMPARE(session.Run("xdotool", {"type", "c"}), 0);
        QTest::qWait(kSettleMs);
        QCOMPARE(viewer.AskInt("keys"), 2);

        // Started again, it installs and counts.
        Probe second;
        QVERIFY(second.Start());
        second.Ask("install");
        QCOMPARE(HookTesting::KeyboardHandle(), second.Pid());
        QVERIFY(HookTesting::HooksInstalled());
        QCOMPARE(session.Run("xdotool", {"type", "de"}), 0);
        QCOMPARE(session.Run("xdotool", {"click", "1"}), 0);
        QTRY_COMPARE(viewer.AskInt("keys"), 4);
        QTRY_COMPARE(viewer.AskInt("clicks"), 1);

        // A controller that ends normally leaves no handles behind.
        QVERIFY(second.Quit());
        QCOMPARE(HookTesting::KeyboardHandle(), 0);
        QCOMPARE(HookTesting::MouseHandle(), 0);
        QVERIFY(viewer.Quit());
    }
};

QTEST_GUILESS_MAIN(HookProcessesTest)
#include "HookProcessesTest.moc"
