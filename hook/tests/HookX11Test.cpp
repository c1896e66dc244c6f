// End to end on a private Xvfb: the monitor sees what xdotool types and
// clicks, the hot key reaches a listener on a private session bus, and the
// X server going away does not take the process with it.
#include "CommandListener.h"
#include "DesktopSession.h"
#include "FakeClock.h"
#include "HookTesting.h"
#include "OvantisHook.h"
#include "TestHome.h"

#include <QTest>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kVkS = 0x53, kVkA = 0x41;
constexpr int kSettleMs = 300; // time for stray extra events to show up, if any

// A handler set by another part of the program that, like ours, passes
// on what is not its own to the handler it found.
XIOErrorHandler s_foundHandler = nullptr;
int PassingOnIOError(Display* display)
{
    return s_foundHandler ? s_foundHandler(display) : 0;
}
void KeepGoing(Display*, void*) {}

} // namespace

class HookX11Test : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<DesktopSession> m_session;

    bool Xdotool(const QStringList& args)
    {
        return m_session->Run("xdotool", args) == 0;
    }

    // Gives input that should count nothing the time to show up if it did.
    void Settle()
    {
        QTest::qWait(kSettleMs);
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        HookTesting::Attach();
        m_session = std::make_unique<DesktopSession>();
        QVERIFY2(m_session->Start(), qPrintable(m_session->Error()));
    }
    void cleanup()
    {
        RemoveHooks();
        QVERIFY(!HookTesting::MonitorRunning());
        HookTesting::SetClock(nullptr, nullptr);
        m_session.reset();
        m_home.reset();
    }

    void CountsTypedKeysAndClicksExactly()
    {
        FakeClock clock(2'000'000);
        HookTesting::SetClock(&FakeClock::NowMsOf, &clock);
        InstallHooks();
        QVERIFY(HookTesting::HooksInstalled());
        QCOMPARE(HookTesting::KeyboardHandle(), qint32(getpid()));
        QCOMPARE(HookTesting::MouseHandle(), qint32(getpid()));
        QVERIFY(HookTesting::MonitorConnected());
        QCOMPARE(GetLastKeystrokeTime(), 2000L);
        QCOMPARE(GetLastMouseTime(), 0L);

        clock.AdvanceSeconds(100);
        QVERIFY(Xdotool({"type", "--delay", "5", "hello world 42"}));
        QTRY_COMPARE(GetKeyClicks(), 14);
        QCOMPARE(GetLastKeystrokeTime(), 2100L);
        // A release with no press before it is no keystroke; a key typed
        // with Shift is two.
        QVERIFY(Xdotool({"keyup", "b"}));
        QVERIFY(Xdotool({"key", "shift+a"}));
        QTRY_COMPARE(GetKeyClicks(), 16);
        QCOMPARE(GetMouseClicks(), 0);

        clock.AdvanceSeconds(5);
        QVERIFY(Xdotool({"mousemove_relative", "20", "20"}));
        QTRY_COMPARE(GetLastMouseTime(), 2105L);
        QCOMPARE(GetMouseClicks(), 0);

        QVERIFY(Xdotool({"click", "1"}));
        QTRY_COMPARE(GetMouseClicks(), 1);
        QVERIFY(Xdotool({"click", "--repeat", "2", "--delay", "50", "1"})); // a double click
        QTRY_COMPARE(GetMouseClicks(), 3);
        QVERIFY(Xdotool({"click", "3"}));
        QVERIFY(Xdotool({"click", "2"}));
        QTRY_COMPARE(GetMouseClicks(), 5);

        // The wheel counts nothing but is mouse activity.
        clock.AdvanceSeconds(5);
        QVERIFY(Xdotool({"click", "4", "click", "5"}));
        QTRY_COMPARE(GetLastMouseTime(), 2110L);

        Settle();
        QCOMPARE(GetMouseClicks(), 5);
        QCOMPARE(GetKeyClicks(), 16);
        QCOMPARE(GetLastKeystrokeTime(), 2100L);
    }

    void InstallTwiceInstallsOnce()
    {
        InstallHooks();
        const pid_t thread = HookTesting::MonitorThreadId();
        QVERIFY(thread != 0);
        InstallHooks();
        QCOMPARE(HookTesting::MonitorThreadId(), thread);
        QVERIFY(Xdotool({"type", "abc"}));
        QTRY_COMPARE(GetKeyClicks(), 3);
        Settle();
        QCOMPARE(GetKeyClicks(), 3);

        // Removed, nothing counts; installed again, counting resumes.
        RemoveHooks();
        QVERIFY(!HookTesting::MonitorRunning());
        QCOMPARE(HookTesting::KeyboardHandle(), 0);
        QVERIFY(Xdotool({"type", "de"}));
        Settle();
        QCOMPARE(GetKeyClicks(), 3);
        InstallHooks();
        QVERIFY(HookTesting::HooksInstalled());
        QVERIFY(Xdotool({"type", "fg"}));
        QTRY_COMPARE(GetKeyClicks(), 5);
    }

    void HotKeyReachesTheControllerOnce()
    {
        CommandListener controller(m_session->BusAddress(), "controller");
        QVERIFY(controller.IsConnected());
        QVERIFY(controller.Own("org.halvornpress.OvantisCtrlClass"));
        InstallHooks();
        QVERIFY(HookTesting::HooksInstalled());
        SetHotKey(1, 1, 0, kVkS);
        EnableHotKey(1);

        const QStringList hotKey{"keydown", "ctrl", "keydown", "alt", "key", "s", "keyup", "alt", "keyup", "ctrl"};
        QVERIFY(Xdotool(hotKey));
        QTRY_COMPARE(controller.Received(), QList<uint>{1500});
        QCOMPARE(WasHotKeyPressed(), 1);

        // Disarmed: the second press delivers nothing.
        QVERIFY(Xdotool(hotKey));
        QTRY_COMPARE(GetKeyClicks(), 6);
        Settle();
        QCOMPARE(controller.Received(), QList<uint>{1500});
        QCOMPARE(WasHotKeyPressed(), 0);

        // xdotool's "ctrl+alt+s" lets the modifiers go before S: no match.
        EnableHotKey(1);
        QVERIFY(Xdotool({"key", "ctrl+alt+s"}));
        QTRY_COMPARE(GetKeyClicks(), 9);
        Settle();
        QCOMPARE(controller.Received(), QList<uint>{1500});

        // With Shift as well: no match either.
        QVERIFY(Xdotool({"keydown", "ctrl", "keydown", "alt", "keydown", "shift", "key", "s", "keyup",
                         "shift", "keyup", "alt", "keyup", "ctrl"}));
        QTRY_COMPARE(GetKeyClicks(), 13);
        Settle();
        QCOMPARE(controller.Received(), QList<uint>{1500});

        // Still armed from above: the right chord fires again.
        QVERIFY(Xdotool(hotKey));
        QTRY_COMPARE(controller.Received(), (QList<uint>{1500, 1500}));
    }

    void KeysLetGoWhileRemovedAreNotHeldAfterInstall()
    {
        CommandListener controller(m_session->BusAddress(), "controller");
        QVERIFY(controller.Own("org.halvornpress.OvantisCtrlClass"));
        InstallHooks();
        QVERIFY(Xdotool({"keydown", "ctrl"}));
        QTest::qWait(kSettleMs);
        RemoveHooks();
        QVERIFY(Xdotool({"keyup", "ctrl"})); // nobody watches this release
        InstallHooks();
        // Ctrl is up: Alt+S is exactly an Alt+S hot key.
        SetHotKey(1, 0, 0, kVkS);
        EnableHotKey(1);
        QVERIFY(Xdotool({"keydown", "alt", "key", "s", "keyup", "alt"}));
        QTRY_COMPARE(controller.Received(), QList<uint>{1500});
    }

    void HotKeyWithNoControllerStillDisarms()
    {
        InstallHooks();
        SetHotKey(1, 1, 0, kVkS);
        EnableHotKey(1);
        QVERIFY(Xdotool({"keydown", "ctrl", "keydown", "alt", "key", "s", "keyup", "alt", "keyup", "ctrl"}));
        int pressed = 0; // reading the flag clears it: add up what each read saw
        QTRY_VERIFY((pressed += WasHotKeyPressed()) > 0);
        QCOMPARE(pressed, 1);
        // A controller that appears later gets nothing, and the key is disarmed.
        CommandListener late(m_session->BusAddress(), "late");
        QVERIFY(late.Own("org.halvornpress.OvantisCtrlClass"));
        QVERIFY(Xdotool({"keydown", "ctrl", "keydown", "alt", "key", "s", "keyup", "alt", "keyup", "ctrl"}));
        QTRY_COMPARE(GetKeyClicks(), 6);
        Settle();
        QVERIFY(late.Received().isEmpty());
        QCOMPARE(WasHotKeyPressed(), 0);
    }

    void FollowsKeyboardMappingChanges()
    {
        CommandListener controller(m_session->BusAddress(), "controller");
        QVERIFY(controller.Own("org.halvornpress.OvantisCtrlClass"));
        InstallHooks();
        SetHotKey(1, 1, 0, kVkA);
        EnableHotKey(1);
        // On a French keyboard A sits where Q is on a US one: the monitor
        // must take the new mapping to see Ctrl+Alt+A.
        QCOMPARE(m_session->Run("setxkbmap", {"-layout", "fr"}), 0);
        QTest::qWait(500);
        QVERIFY(Xdotool({"keydown", "ctrl", "keydown", "alt", "key", "a", "keyup", "alt", "keyup", "ctrl"}));
        QTRY_COMPARE(controller.Received(), QList<uint>{1500});
    }

    void SurvivesTheXServerGoingAway()
    {
        InstallHooks();
        QVERIFY(HookTesting::MonitorConnected());
        QVERIFY(Xdotool({"type", "ab"}));
        QTRY_COMPARE(GetKeyClicks(), 2);

        m_session->StopX();
        QTRY_VERIFY(!HookTesting::MonitorConnected());
        // Still here, still installed, the counters still readable.
        QVERIFY(HookTesting::MonitorRunning());
        QVERIFY(HookTesting::HooksInstalled());
        QCOMPARE(GetKeyClicks(), 2);
        InstallHooks(); // installed already: nothing new starts
        QVERIFY(HookTesting::MonitorRunning());

        QVERIFY(m_session->StartX());
        QTRY_VERIFY_WITH_TIMEOUT(HookTesting::MonitorConnected(), 10000);
        QVERIFY(Xdotool({"type", "cde"}));
        QTRY_COMPARE(GetKeyClicks(), 5);
        QVERIFY(Xdotool({"click", "1"}));
        QTRY_COMPARE(GetMouseClicks(), 1);
    }

    void SurvivesAnIOErrorHandlerSetLater()
    {
        // Another part of the program (a toolkit opening its own Xlib
        // connection) puts in an I/O error handler after the hooks are
        // installed; Xlib's default one ends the process.
        InstallHooks();
        QVERIFY(HookTesting::MonitorConnected());
        XSetIOErrorHandler(nullptr);
        QVERIFY(Xdotool({"type", "ab"}));
        QTRY_COMPARE(GetKeyClicks(), 2);

        m_session->StopX();
        QTRY_VERIFY(!HookTesting::MonitorConnected());
        QVERIFY(HookTesting::MonitorRunning());
        QVERIFY(m_session->StartX());
        QTRY_VERIFY_WITH_TIMEOUT(HookTesting::MonitorConnected(), 10000);
        QVERIFY(Xdotool({"type", "c"}));
        QTRY_COMPARE(GetKeyClicks(), 3);
    }

    void HandlersThatPassOnDoNotLoop()
    {
        InstallHooks();
        s_foundHandler = XSetIOErrorHandler(&PassingOnIOError);
        QVERIFY(Xdotool({"type", "ab"})); // the monitor reads again and takes its handler back
        QTRY_COMPARE(GetKeyClicks(), 2);

        // A third connection that breaks goes round both handlers once.
        Display* other = XOpenDisplay(qgetenv("DISPLAY").constData());
        QVERIFY(other);
        XSetIOErrorExitHandler(other, &KeepGoing, nullptr);
        m_session->StopX();
        XSync(other, False);
        XCloseDisplay(other);
        QTRY_VERIFY(!HookTesting::MonitorConnected());
        XSetIOErrorHandler(s_foundHandler);
    }

    void FailingWaitForInputConnectsAgain()
    {
        InstallHooks();
        QVERIFY(HookTesting::MonitorConnected());
        Display* input = XOpenDisplay(qgetenv("DISPLAY").constData());
        QVERIFY(input);
        const KeyCode a = XKeysymToKeycode(input, XK_a);

        // With the file limit below two, the monitor's next poll() fails
        // (EINVAL), as it would for an administrator's prlimit.
        rlimit saved {};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &saved), 0);
        rlimit low = saved;
        low.rlim_cur = 1;
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &low), 0);
        XTestFakeKeyEvent(input, a, True, 0);
        XTestFakeKeyEvent(input, a, False, 0);
        XFlush(input);
        QTRY_VERIFY(!HookTesting::MonitorConnected());
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &saved), 0);
        XCloseDisplay(input);

        QTRY_VERIFY_WITH_TIMEOUT(HookTesting::MonitorConnected(), 10000);
        QCOMPARE(GetKeyClicks(), 1);
        QVERIFY(Xdotool({"type", "bc"}));
        QTRY_COMPARE(GetKeyClicks(), 3);
    }

    void NoXServerThenOne()
    {
        const QByteArray display = qgetenv("DISPLAY");
        qunsetenv("DISPLAY");
        InstallHooks();
        QCOMPARE(HookTesting::KeyboardHandle(), 0);
        QVERIFY(!HookTesting::MonitorRunning());
        // The session gets an X server: the next InstallHooks installs.
        qputenv("DISPLAY", display);
        InstallHooks();
        QVERIFY(HookTesting::HooksInstalled());
        QVERIFY(Xdotool({"type", "xy"}));
        QTRY_COMPARE(GetKeyClicks(), 2);
    }
};

QTEST_GUILESS_MAIN(HookX11Test)
#include "HookX11Test.moc"
