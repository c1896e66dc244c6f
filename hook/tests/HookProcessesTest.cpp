// Several processes bound to the real libOvantisHook.so share one set of
// counters; a controller killed outright is replaced by the next one.
#include "DesktopSession.h"
#include "HookTesting.h"
#include "TestHome.h"

#include <QProcess>
#include <QTest>
#include <csignal>
#include <memory>

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
        m_process.write(command + '\n');
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
