// The hook procedures driven directly, as the monitor drives them.
#include "FakeClock.h"
#include "HookTesting.h"
#include "OvantisHook.h"
#include "TestHome.h"

#include <QList>
#include <QTest>
#include <ctime>
#include <memory>

namespace {

// Windows virtual-key codes and mouse messages, written out by hand.
constexpr unsigned kVkShift = 0x10, kVkControl = 0x11, kVkMenu = 0x12, kVkS = 0x53, kVkD = 0x44,
                   kVkA = 0x41, kVkF9 = 0x78, kVkUnmapped = 0xFF;
// X keycodes of a pc105 keyboard (any distinct numbers would do).
constexpr int kKcShiftL = 50, kKcControlL = 37, kKcControlR = 105, kKcAltL = 64, kKcAltGr = 108,
              kKcS = 39, kKcD = 40, kKcA = 38, kKcF9 = 75;

long Flags(int keycode, bool released, bool previousDown)
{
    return 1L | (long(keycode) << 16) | (previousDown ? (1L << 30) : 0) | (released ? (1L << 31) : 0);
}

void Press(unsigned vk, int keycode)
{
    KeyboardProc(0, vk, Flags(keycode, false, false));
}
void Repeat(unsigned vk, int keycode)
{
    KeyboardProc(0, vk, Flags(keycode, false, true));
}
void Release(unsigned vk, int keycode)
{
    KeyboardProc(0, vk, Flags(keycode, true, true));
}

struct Recorder {
    QList<uint> commands;
    static void Record(uint32_t id, void* self) { static_cast<Recorder*>(self)->commands.append(id); }
};

// One key event of a scripted sequence: '+' press, '-' release.
struct Step {
    char action;
    unsigned vk;
    int keycode;
};

} // namespace

Q_DECLARE_METATYPE(Step)

class HookProcsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    FakeClock m_clock{5'000'000};
    Recorder m_recorder;

private slots:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        HookTesting::Attach();
        QVERIFY(HookTesting::IsShared());
        m_clock.SetMs(5'000'000);
        HookTesting::SetClock(&FakeClock::NowMsOf, &m_clock);
        m_recorder.commands.clear();
        HookTesting::SetCommandSink(&Recorder::Record, &m_recorder);
    }
    void cleanup()
    {
        HookTesting::SetClock(nullptr, nullptr);
        HookTesting::SetCommandSink(nullptr, nullptr);
        m_home.reset();
    }

    void AutoRepeatCountsOnceAtRelease()
    {
        Press(kVkA, kKcA);
        for (int i = 0; i < 20; ++i) {
            m_clock.AdvanceMs(33);
            Repeat(kVkA, kKcA);
            Press(kVkA, kKcA); // a repeat without the flag is still the same held key
        }
        QCOMPARE(GetKeyClicks(), 0);
        QCOMPARE(GetLastKeystrokeTime(), 0L); // presses do not touch it
        m_clock.AdvanceSeconds(3);
        Release(kVkA, kKcA);
        QCOMPARE(GetKeyClicks(), 1);
        QCOMPARE(GetLastKeystrokeTime(), long(m_clock.NowSeconds()));
    }

    void EveryReleaseCounts()
    {
        // A release counts whether or not the key was seen going down
        // (which releases are keystrokes is the input source's business).
        QCOMPARE(SetKeyCount(-3), 1);
        m_clock.AdvanceSeconds(2);
        for (int i = 0; i < 4; ++i)
            Release(kVkA, kKcA);
        QCOMPARE(GetKeyClicks(), 1);
        QCOMPARE(GetLastKeystrokeTime(), long(m_clock.NowSeconds()));
        // Two keys with the same code but different keycodes are two keys.
        Press(kVkControl, kKcControlL);
        Press(kVkControl, kKcControlR);
        Release(kVkControl, kKcControlR);
        Release(kVkControl, kKcControlL);
        QCOMPARE(GetKeyClicks(), 3);
    }

    void OnlyActionCodesCount()
    {
        for (int code : {3, -1, 1}) {
            KeyboardProc(code, kVkA, Flags(kKcA, false, false));
            KeyboardProc(code, kVkA, Flags(kKcA, true, true));
            MouseProc(code, 0x0201, 0);
        }
        QCOMPARE(GetKeyClicks(), 0);
        QCOMPARE(GetMouseClicks(), 0);
        QCOMPARE(GetLastMouseTime(), 0L);
    }

    void SetKeyCountThenReleases()
    {
        QCOMPARE(SetKeyCount(-3), 1);
        for (int i = 0; i < 4; ++i) {
            Press(kVkA, kKcA);
            Release(kVkA, kKcA);
        }
        QCOMPARE(GetKeyClicks(), 1);
        QCOMPARE(SetMouseCount(-2), 1);
        MouseProc(0, 0x0201, 0);
        QCOMPARE(GetMouseClicks(), -1);
    }

    void MouseMessages_data()
    {
        QTest::addColumn<uint>("message");
        QTest::addColumn<int>("counted");
        QTest::newRow("WM_MOUSEMOVE") << 0x0200u << 0;
        QTest::newRow("WM_LBUTTONDOWN") << 0x0201u << 1;
        QTest::newRow("WM_LBUTTONUP") << 0x0202u << 0;
        QTest::newRow("WM_LBUTTONDBLCLK") << 0x0203u << 1;
        QTest::newRow("WM_RBUTTONDOWN") << 0x0204u << 1;
        QTest::newRow("WM_RBUTTONUP") << 0x0205u << 0;
        QTest::newRow("WM_RBUTTONDBLCLK") << 0x0206u << 1;
        QTest::newRow("WM_MBUTTONDOWN") << 0x0207u << 1;
        QTest::newRow("WM_MBUTTONUP") << 0x0208u << 0;
        QTest::newRow("WM_MBUTTONDBLCLK") << 0x0209u << 1;
        QTest::newRow("WM_MOUSEWHEEL") << 0x020Au << 0;
        QTest::newRow("WM_XBUTTONDOWN") << 0x020Bu << 0;
        QTest::newRow("WM_MOUSEHWHEEL") << 0x020Eu << 0;
        QTest::newRow("WM_NCLBUTTONDOWN") << 0x00A1u << 0;
    }
    void MouseMessages()
    {
        QFETCH(uint, message);
        QFETCH(int, counted);
        QCOMPARE(GetLastMouseTime(), 0L); // nothing before the first mouse message
        m_clock.AdvanceSeconds(7);
        QCOMPARE(MouseProc(0, message, 0), 0L);
        QCOMPARE(GetMouseClicks(), counted);
        QCOMPARE(GetLastMouseTime(), long(m_clock.NowSeconds()));
        QCOMPARE(GetLastKeystrokeTime(), 0L);
    }

    void DoubleClickCountsTwo()
    {
        for (unsigned message : {0x0201u, 0x0202u, 0x0203u, 0x0202u})
            MouseProc(0, message, 0);
        QCOMPARE(GetMouseClicks(), 2);
    }

    void TimesAreBootSecondsAndDoNotWrap_data()
    {
        QTest::addColumn<qulonglong>("clockMs");
        QTest::addColumn<long>("seconds");
        QTest::newRow("just booted") << 999ull << 0L;
        QTest::newRow("one hour") << 3'600'000ull << 3600L;
        QTest::newRow("49.7 days, where a 32-bit tick count wraps") << 4'294'967'295ull << 4'294'967L;
        QTest::newRow("just past that") << 4'294'967'296ull + 5000 << 4'294'972L;
        QTest::newRow("a year") << 31'536'000'000ull << 31'536'000L;
    }
    void TimesAreBootSecondsAndDoNotWrap()
    {
        QFETCH(qulonglong, clockMs);
        QFETCH(long, seconds);
        m_clock.SetMs(clockMs);
        Press(kVkA, kKcA);
        Release(kVkA, kKcA);
        MouseProc(0, 0x0200, 0);
        QCOMPARE(GetLastKeystrokeTime(), seconds);
        QCOMPARE(GetLastMouseTime(), seconds);
    }

    void RealClockIsBootTime()
    {
        HookTesting::SetClock(nullptr, nullptr);
        timespec before{}, after{};
        clock_gettime(CLOCK_BOOTTIME, &before);
        Press(kVkA, kKcA);
        Release(kVkA, kKcA);
        clock_gettime(CLOCK_BOOTTIME, &after);
        QVERIFY(GetLastKeystrokeTime() >= before.tv_sec);
        QVERIFY(GetLastKeystrokeTime() <= after.tv_sec);
    }

    void HotKey_data()
    {
        QTest::addColumn<QList<int>>("hotKey"); // alt, ctrl, shift, vk
        QTest::addColumn<int>("enable");
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<bool>("fires");
        const QList<int> ctrlAltS{1, 1, 0, int(kVkS)};
        const Step ctrlDown{'+', kVkControl, kKcControlL}, ctrlUp{'-', kVkControl, kKcControlL};
        const Step altDown{'+', kVkMenu, kKcAltL}, altUp{'-', kVkMenu, kKcAltL};
        const Step shiftDown{'+', kVkShift, kKcShiftL}, shiftUp{'-', kVkShift, kKcShiftL};
        const Step sDown{'+', kVkS, kKcS}, sUp{'-', kVkS, kKcS};

        QTest::newRow("Ctrl+Alt+S, S released first") << ctrlAltS << 1
            << QList<Step>{ctrlDown, altDown, sDown, sUp, altUp, ctrlUp} << true;
        QTest::newRow("any nonzero arms (5)") << ctrlAltS << 5
            << QList<Step>{altDown, ctrlDown, sDown, sUp, ctrlUp, altUp} << true;
        QTest::newRow("disarmed") << ctrlAltS << 0
            << QList<Step>{ctrlDown, altDown, sDown, sUp, altUp, ctrlUp} << false;
        QTest::newRow("Ctrl+Alt+Shift+S is not Ctrl+Alt+S") << ctrlAltS << 1
            << QList<Step>{ctrlDown, altDown, shiftDown, sDown, sUp, shiftUp, altUp, ctrlUp} << false;
        QTest::newRow("modifiers released before S") << ctrlAltS << 1
            << QList<Step>{ctrlDown, altDown, sDown, altUp, ctrlUp, sUp} << false;
        QTest::newRow("Alt released before S") << ctrlAltS << 1
            << QList<Step>{ctrlDown, altDown, sDown, altUp, sUp, ctrlUp} << false;
        QTest::newRow("Ctrl+S only") << ctrlAltS << 1
            << QList<Step>{ctrlDown, sDown, sUp, ctrlUp} << false;
        QTest::newRow("Ctrl+Alt+D") << ctrlAltS << 1
            << QList<Step>{ctrlDown, altDown, {'+', kVkD, kKcD}, {'-', kVkD, kKcD}, altUp, ctrlUp} << false;
        QTest::newRow("Ctrl+Alt+S against a Ctrl+S hot key") << QList<int>{0, 1, 0, int(kVkS)} << 1
            << QList<Step>{ctrlDown, altDown, sDown, sUp, altUp, ctrlUp} << false;
        QTest::newRow("right Ctrl counts as Ctrl") << ctrlAltS << 1
            << QList<Step>{{'+', kVkControl, kKcControlR}, altDown, sDown, sUp, altUp,
                           {'-', kVkControl, kKcControlR}} << true;
        QTest::newRow("one of two Ctrl keys let go, the other still held") << ctrlAltS << 1
            << QList<Step>{ctrlDown, {'+', kVkControl, kKcControlR}, altDown, sDown,
                           {'-', kVkControl, kKcControlR}, sUp, altUp, ctrlUp} << true;
        QTest::newRow("AltGr is not Ctrl+Alt") << ctrlAltS << 1
            << QList<Step>{{'+', kVkUnmapped, kKcAltGr}, sDown, sUp, {'-', kVkUnmapped, kKcAltGr}} << false;
        QTest::newRow("release of S never seen down") << ctrlAltS << 1
            << QList<Step>{ctrlDown, altDown, sUp, altUp, ctrlUp} << true;
        QTest::newRow("S auto-repeat then release") << ctrlAltS << 1
            << QList<Step>{ctrlDown, altDown, sDown, sDown, sDown, sUp, altUp, ctrlUp} << true;
        QTest::newRow("hot key without modifiers (F9)") << QList<int>{0, 0, 0, int(kVkF9)} << 1
            << QList<Step>{{'+', kVkF9, kKcF9}, {'-', kVkF9, kKcF9}} << true;
        QTest::newRow("F9 with Shift against plain F9") << QList<int>{0, 0, 0, int(kVkF9)} << 1
            << QList<Step>{shiftDown, {'+', kVkF9, kKcF9}, {'-', kVkF9, kKcF9}, shiftUp} << false;
        QTest::newRow("Shift+Alt+S, nonzero flags") << QList<int>{4, 0, 1, int(kVkS)} << 1
            << QList<Step>{shiftDown, altDown, sDown, sUp, altUp, shiftUp} << true;
    }
    void HotKey()
    {
        QFETCH(QList<int>, hotKey);
        QFETCH(int, enable);
        QFETCH(QList<Step>, steps);
        QFETCH(bool, fires);
        QCOMPARE(SetHotKey(hotKey[0], hotKey[1], hotKey[2], hotKey[3]), 1);
        EnableHotKey(enable);
        int releases = 0;
        for (const Step& step : steps) {
            if (step.action == '+') {
                Press(step.vk, step.keycode);
            } else {
                Release(step.vk, step.keycode);
                ++releases;
            }
        }
        QCOMPARE(m_recorder.commands, fires ? QList<uint>{1500} : QList<uint>{});
        QCOMPARE(WasHotKeyPressed(), fires ? 1 : 0);
        QCOMPARE(WasHotKeyPressed(), 0); // reading clears it
        // Firing or not, the hot key's keys are keystrokes like any other.
        QCOMPARE(GetKeyClicks(), releases);
    }

    void HotKeyDisarmsUntilEnabledAgain()
    {
        SetHotKey(1, 1, 0, kVkS);
        EnableHotKey(1);
        auto ctrlAltS = [] {
            Press(kVkControl, kKcControlL);
            Press(kVkMenu, kKcAltL);
            Press(kVkS, kKcS);
            Release(kVkS, kKcS);
            Release(kVkMenu, kKcAltL);
            Release(kVkControl, kKcControlL);
        };
        ctrlAltS();
        QCOMPARE(m_recorder.commands.size(), 1);
        ctrlAltS();
        ctrlAltS();
        QCOMPARE(m_recorder.commands.size(), 1);
        QCOMPARE(WasHotKeyPressed(), 1);
        EnableHotKey(1);
        ctrlAltS();
        QCOMPARE(m_recorder.commands, (QList<uint>{1500, 1500}));
        QCOMPARE(GetKeyClicks(), 12);
    }

    void HotKeyWithNobodyListeningStillDisarms()
    {
        // The real sender, with no session bus at all: nothing is sent,
        // yet the key is disarmed and the pressed flag set.
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        HookTesting::SetCommandSink(nullptr, nullptr);
        SetHotKey(0, 1, 0, kVkS);
        EnableHotKey(1);
        Press(kVkControl, kKcControlL);
        Press(kVkS, kKcS);
        Release(kVkS, kKcS);
        Release(kVkControl, kKcControlL);
        QCOMPARE(WasHotKeyPressed(), 1);
        Press(kVkControl, kKcControlL);
        Press(kVkS, kKcS);
        Release(kVkS, kKcS);
        Release(kVkControl, kKcControlL);
        QCOMPARE(WasHotKeyPressed(), 0);
    }

    void ForgettingHeldKeys()
    {
        // After the input source comes back, keys held before are unknown:
        // their modifiers do not apply.
        SetHotKey(0, 1, 0, kVkS);
        EnableHotKey(1);
        Press(kVkControl, kKcControlL);
        HookTesting::ResetKeyState();
        Press(kVkS, kKcS);
        Release(kVkS, kKcS);
        Release(kVkControl, kKcControlL);
        QVERIFY(m_recorder.commands.isEmpty());
        QCOMPARE(GetKeyClicks(), 2);
    }
};

QTEST_GUILESS_MAIN(HookProcsTest)
#include "HookProcsTest.moc"
