#include "BusCommandSender.h"
#include "BusNames.h"
#include "CommandListener.h"
#include "DesktopSession.h"
#include "TestHome.h"

#include <QFile>
#include <QProcess>
#include <QTest>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
const QString kController = QString::fromLatin1(BusNames::kControllerService);

DesktopSession::Options BusOnly()
{
    DesktopSession::Options options;
    options.x11 = false;
    return options;
}
} // namespace

class BusCommandSenderTest : public QObject {
    Q_OBJECT

private slots:
    void DeliversEachCommandToTheOwner()
    {
        TestHome home;
        DesktopSession session;
        QVERIFY2(session.Start(BusOnly()), qPrintable(session.Error()));
        CommandListener listener(session.BusAddress(), "owner");
        QVERIFY(listener.Own(kController));

        BusCommandSender sender(BusNames::kControllerService);
        QVERIFY(sender.Start());
        QVERIFY(sender.Post(1500));
        QVERIFY(sender.Post(1501));
        QVERIFY(sender.WaitUntilIdle(5000));
        // A marker sent last arrives after anything the first two could
        // still bring: each command arrives once, in order.
        QVERIFY(sender.Post(1599));
        QTRY_COMPARE(listener.Received(), (QList<uint>{1500, 1501, 1599}));
        QCOMPARE(sender.SentCount(), 3u);
        QCOMPARE(sender.SkippedCount(), 0u);
    }

    void SendsNothingWithoutAnOwner()
    {
        TestHome home;
        DesktopSession session;
        QVERIFY2(session.Start(BusOnly()), qPrintable(session.Error()));
        CommandListener other(session.BusAddress(), "other");
        QVERIFY(other.Own(QString::fromLatin1(BusNames::kViewerService)));

        BusCommandSender sender(BusNames::kControllerService);
        QVERIFY(sender.Start());
        QVERIFY(sender.Post(1500));
        QVERIFY(sender.WaitUntilIdle(5000));
        QCOMPARE(sender.SentCount(), 0u);
        QCOMPARE(sender.SkippedCount(), 1u);

        // Once the name is owned, the next command goes through; it arrives
        // alone, so the owner that came later never got the old one, and
        // the program owning another name never sees either.
        CommandListener late(session.BusAddress(), "late");
        QVERIFY(late.Own(kController));
        QVERIFY(sender.Post(1500));
        QVERIFY(sender.WaitUntilIdle(5000));
        QTRY_COMPARE(late.Received(), QList<uint>{1500});
        QVERIFY(other.Received().isEmpty());
    }

    void SkipsWhenThereIsNoBus()
    {
        TestHome home; // a runtime directory without a bus socket
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        BusCommandSender sender(BusNames::kControllerService);
        QVERIFY(sender.Start());
        QVERIFY(sender.Post(1500));
        QVERIFY(sender.WaitUntilIdle(5000));
        QCOMPARE(sender.SkippedCount(), 1u);
        QCOMPARE(sender.SentCount(), 0u);
    }

    void FollowsTheBusWhenItIsReplaced()
    {
        TestHome home;
        BusCommandSender sender(BusNames::kControllerService);
        QVERIFY(sender.Start());
        {
            DesktopSession first;
            QVERIFY2(first.Start(BusOnly()), qPrintable(first.Error()));
            CommandListener listener(first.BusAddress(), "first");
            QVERIFY(listener.Own(kController));
            QVERIFY(sender.Post(1500));
            QVERIFY(sender.WaitUntilIdle(5000));
            QTRY_COMPARE(listener.Received(), QList<uint>{1500});
        }
        DesktopSession second;
        QVERIFY2(second.Start(BusOnly()), qPrintable(second.Error()));
        CommandListener listener(second.BusAddress(), "second");
        QVERIFY(listener.Own(kController));
        QVERIFY(sender.Post(1502));
        QVERIFY(sender.WaitUntilIdle(5000));
        QTRY_COMPARE(listener.Received(), QList<uint>{1502});
        QCOMPARE(sender.SentCount(), 2u);
    }

    void GivesUpOnABusThatNeverAnswers()
    {
        // A socket that takes connections and never says a word: the
        // sender must give up after its short timeout, not the library's
        // default of many seconds, or a hung bus holds up the program's exit.
        TestHome home;
        const QByteArray path = QFile::encodeName(home.RuntimeDir() + "/mute-bus");
        const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        QVERIFY(listener >= 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        QVERIFY(size_t(path.size()) < sizeof address.sun_path);
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        QCOMPARE(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        QCOMPARE(listen(listener, 8), 0);
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + path);

        {
            BusCommandSender sender(BusNames::kControllerService);
            QVERIFY(sender.Start());
            QVERIFY(sender.Post(1500));
            // Well short of the bus library's own 25 s default.
            QVERIFY(sender.WaitUntilIdle(10 * BusNames::kCallTimeoutMs));
            QCOMPARE(sender.SkippedCount(), 1u);
            QCOMPARE(sender.SentCount(), 0u);
        }
        close(listener);
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    void FindsTheUserBusInTheRuntimeDirectory()
    {
        // Sessions started by systemd keep the bus at $XDG_RUNTIME_DIR/bus
        // and may not export its address.
        TestHome home;
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        const QString address = "unix:path=" + home.RuntimeDir() + "/bus";
        QProcess bus;
        bus.start("dbus-daemon", {"--session", "--nofork", "--nosyslog", "--address=" + address,
                                  "--print-address=1"});
        QVERIFY(bus.waitForStarted(5000));
        QVERIFY(bus.waitForReadyRead(5000));
        CommandListener listener(address, "user-bus");
        QVERIFY(listener.IsConnected());
        QVERIFY(listener.Own(kController));

        BusCommandSender sender(BusNames::kControllerService);
        QVERIFY(sender.Start());
        QVERIFY(sender.Post(1500));
        QVERIFY(sender.WaitUntilIdle(5000));
        QTRY_COMPARE(listener.Received(), QList<uint>{1500});
        bus.terminate();
        bus.waitForFinished(5000);
    }

    void RefusesPostsBeforeStart()
    {
        BusCommandSender sender(BusNames::kControllerService);
        QVERIFY(!sender.Post(1500));
        QCOMPARE(sender.SentCount() + sender.SkippedCount(), 0u);
    }
};

QTEST_GUILESS_MAIN(BusCommandSenderTest)
#include "BusCommandSenderTest.moc"
