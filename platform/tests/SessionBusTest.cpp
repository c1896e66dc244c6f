#include "BusNames.h"
#include "CBusBroadcast.h"
#include "CBusWindow.h"
#include "CSingleApplication.h"
#include "DesktopSession.h"
#include "SessionBus.h"
#include "TestHome.h"

#include <QDBusMessage>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <future>
#include <memory>

namespace {
const QString kClass = QStringLiteral("OvantisTestClass");

DesktopSession::Options BusOnly()
{
    DesktopSession::Options options;
    options.x11 = false;
    return options;
}

// dbus-send, a client that shares no code with ours; its output in *out.
int DBusSend(const QStringList& args, QByteArray* out = nullptr)
{
    QProcess p;
    p.start("dbus-send", args);
    if (!p.waitForStarted(5000))
        return -1;
    // The answer comes from this thread's event loop, so keep it turning.
    QDeadlineTimer deadline(10000);
    while (p.state() != QProcess::NotRunning && !deadline.hasExpired())
        QTest::qWait(10);
    if (out)
        *out = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QStringList WindowCall(const QString& member, const QStringList& args = {})
{
    return QStringList{"--session", "--print-reply", "--reply-timeout=5000",
                       "--dest=" + SessionBus::ServiceName(kClass), BusNames::kObjectPath,
                       QString(BusNames::kWindowInterface) + "." + member}
        + args;
}

struct Recorded {
    bool active = false;
    int activated = 0;
    int quits = 0;
    QList<uint> commands;
};

CBusWindow::Handlers Recording(Recorded* r)
{
    return {[r] { return r->active; }, [r] { ++r->activated; }, [r] { ++r->quits; },
            [r](uint id) { r->commands.append(id); }};
}

using Broadcast = std::tuple<int, uint, int>;
} // namespace

class SessionBusTest : public QObject {
    Q_OBJECT

private slots:
    void GuardIsHeldByOneInstanceAtATime()
    {
        TestHome home;
        auto first = std::make_unique<CSingleApplication>(kClass);
        QVERIFY(first->IsFirstInstance());
        QCOMPARE(QFileInfo(CSingleApplication::LockFilePath(kClass)).absoluteFilePath(),
                 home.RuntimeDir() + "/OvantisTestClassSingleApplicationMutex");
        QVERIFY(QFileInfo::exists(CSingleApplication::LockFilePath(kClass)));

        CSingleApplication second(kClass);
        QVERIFY(!second.IsFirstInstance());
        CSingleApplication otherProgram(QStringLiteral("OvantisOtherClass"));
        QVERIFY(otherProgram.IsFirstInstance());

        // Another process sees the lock too (flock, not a lock of this process).
        QCOMPARE(QProcess::execute("flock", {"-n", CSingleApplication::LockFilePath(kClass), "true"}), 1);
        first.reset();
        QCOMPARE(QProcess::execute("flock", {"-n", CSingleApplication::LockFilePath(kClass), "true"}), 0);
        CSingleApplication third(kClass);
        QVERIFY(third.IsFirstInstance());
    }

    void WindowAnswersOtherClients()
    {
        TestHome home;
        DesktopSession session;
        QVERIFY2(session.Start(BusOnly()), qPrintable(session.Error()));
        Recorded rec;
        CBusWindow window(kClass, Recording(&rec));
        QVERIFY(window.Register());

        QByteArray out;
        QCOMPARE(DBusSend(WindowCall("IsActive"), &out), 0);
        QVERIFY2(out.contains("boolean false"), out.constData());
        rec.active = true;
        QCOMPARE(DBusSend(WindowCall("IsActive"), &out), 0);
        QVERIFY2(out.contains("boolean true"), out.constData());

        QCOMPARE(DBusSend(WindowCall("Command", {"uint32:1205"})), 0);
        QCOMPARE(DBusSend(WindowCall("Activate")), 0);
        QCOMPARE(DBusSend(WindowCall("Command", {"uint32:4294967295"})), 0);
        QCOMPARE(DBusSend(WindowCall("Quit")), 0);
        QTRY_COMPARE(rec.quits, 1);
        QCOMPARE(rec.activated, 1);
        QCOMPARE(rec.commands, (QList<uint>{1205, 4294967295u}));

        // The name has one owner: a second window of the class is refused.
        QDBusConnection other = QDBusConnection::connectToBus(session.BusAddress(), "second");
        Recorded rec2;
        CBusWindow second(kClass, Recording(&rec2), other);
        QVERIFY(!second.Register());
    }

    void CallsReachTheOtherWindowAndAreBounded()
    {
        TestHome home;
        DesktopSession session;
        QVERIFY2(session.Start(BusOnly()), qPrintable(session.Error()));
        QVERIFY(!SessionBus::HasWindow(kClass));
        QVERIFY(!SessionBus::PostCommand(kClass, 1));
        QVERIFY(!SessionBus::ActivateWindow(kClass));

        // The window lives on this thread on a connection of its own; the
        // caller works from another thread, as a second program would.
        QDBusConnection own = QDBusConnection::connectToBus(session.BusAddress(), "window");
        Recorded rec;
        rec.active = true;
        CBusWindow window(kClass, Recording(&rec), own);
        QVERIFY(window.Register());
        auto calls = std::async(std::launch::async, [] {
            return QList<bool>{SessionBus::HasWindow(kClass), SessionBus::IsWindowActive(kClass),
                               SessionBus::ActivateWindow(kClass), SessionBus::PostCommand(kClass, 1301),
                               SessionBus::QuitWindow(kClass)};
        });
        QTRY_VERIFY(calls.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QCOMPARE(calls.get(), (QList<bool>{true, true, true, true, true}));
        QTRY_COMPARE(rec.quits, 1);
        QCOMPARE(rec.activated, 1);
        QCOMPARE(rec.commands, QList<uint>{1301});

        // A window whose program hangs: this thread, its owner, waits in the
        // call itself, so nobody answers; the call gives up, it does not hang.
        QVERIFY(!SessionBus::IsWindowActive(kClass));
        QVERIFY(!SessionBus::QuitWindow(kClass));
        QCOMPARE(rec.quits, 1);
    }

    void BroadcastsReachEveryListenerWithTheirArguments()
    {
        TestHome home;
        DesktopSession session;
        QVERIFY2(session.Start(BusOnly()), qPrintable(session.Error()));
        QList<Broadcast> mine, theirs;
        CBusBroadcast sender; // the process connection: it hears itself
        QVERIFY(sender.Listen(CBusBroadcast::ToCtrl));
        QVERIFY(sender.Listen(CBusBroadcast::ToApp));
        connect(&sender, &CBusBroadcast::Received,
                [&](CBusBroadcast::Message m, uint w, int l) { mine.append({int(m), w, l}); });
        CBusBroadcast other(QDBusConnection::connectToBus(session.BusAddress(), "other"));
        QVERIFY(other.Listen(CBusBroadcast::ToApp)); // only this one
        connect(&other, &CBusBroadcast::Received,
                [&](CBusBroadcast::Message m, uint w, int l) { theirs.append({int(m), w, l}); });

        QVERIFY(sender.Post(CBusBroadcast::ToCtrl, 5));
        QVERIFY(sender.Post(CBusBroadcast::ToDrvr, 0, (6 << 16) | 83));
        QVERIFY(sender.Post(CBusBroadcast::ToApp, 1, (1 << 16) | 300));
        // From a client of another make, with a negative lParam.
        QCOMPARE(DBusSend({"--session", "--type=signal", BusNames::kObjectPath,
                           QString(BusNames::kBroadcastInterface) + ".OvantisToCtrlMsg", "uint32:21", "int32:-5"}),
                 0);
        QVERIFY(sender.Post(CBusBroadcast::ToApp, 99)); // marker
        QTRY_COMPARE(mine.size(), 4);
        QCOMPARE(mine, (QList<Broadcast>{{CBusBroadcast::ToCtrl, 5, 0},
                                         {CBusBroadcast::ToApp, 1, 65836},
                                         {CBusBroadcast::ToCtrl, 21, -5},
                                         {CBusBroadcast::ToApp, 99, 0}}));
        QTRY_COMPARE(theirs.size(), 2);
        QCOMPARE(theirs, (QList<Broadcast>{{CBusBroadcast::ToApp, 1, 65836}, {CBusBroadcast::ToApp, 99, 0}}));
    }

    void WorksOnWithoutABus()
    {
        TestHome home; // no bus address, no bus socket
        QVERIFY(!SessionBus::HasWindow(kClass));
        CBusBroadcast broadcast;
        QVERIFY(!broadcast.Post(CBusBroadcast::ToCtrl, 5));
        Recorded rec;
        CBusWindow window(kClass, Recording(&rec));
        QVERIFY(!window.Register());
        CSingleApplication guard(kClass);
        QVERIFY(guard.IsFirstInstance());
        QVERIFY(!guard.FindInstanceWindow());
    }
};

QTEST_GUILESS_MAIN(SessionBusTest)
#include "SessionBusTest.moc"
