// The Preferences sheet in both programs at once, on a private desktop with
// a window manager, a tray host, a session bus and an accessibility bus: the
// real viewer shows a reading topic, the real ovctrl runs ten times as fast
// (faketime) with its sound going to SDL's disk output, and the test plays
// the user with xdotool and reads the sheets the way a screen reader does.
// One run: both sheets hold the reminders until the last one closes, the
// interval, the sequence and the hot key applied in them are what the
// controller goes by afterwards, and the sheet opens again where it was.
#include "CBusBroadcast.h"
#include "CSettingsStore.h"
#include "DesktopSession.h"
#include "OvantisHook.h"
#include "ProcessLog.h"
#include "SettingsTable.h"
#include "TestHome.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

constexpr int kWaitMs = 20000;
constexpr int kSpeed = 10; // faketime's factor for the controller
// "1 Minute": a reminder is due in the first step more than 60 s after the
// cycle started, in the controller's time.
constexpr int kOneMinuteDueMs = 61 * 1000 / kSpeed;
const QString kSheet = QStringLiteral("Ovantis Preferences");
const QString kViewerApp = QStringLiteral("OvantisAppClass");
const QString kControllerApp = QStringLiteral("Stretch");

} // namespace

class PrefsEndToEndTest : public QObject {
    Q_OBJECT

private:
    DesktopSession m_desktop;
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_controller;
    std::unique_ptr<QProcess> m_viewer;
    std::unique_ptr<CBusBroadcast> m_bus;
    ProcessLog m_log; // the controller's

    QString Tool(const QString& program, const QStringList& args)
    {
        QByteArray out;
        m_desktop.Run(program, args, &out);
        return QString::fromLocal8Bit(out).trimmed();
    }
    void Key(const QStringList& keys) { m_desktop.Run("xdotool", QStringList{"key", "--delay", "60"} + keys); }
    // A combination pressed the way a hand does: the modifiers held around the key.
    void Chord(const QString& key)
    {
        m_desktop.Run("xdotool", {"keydown", "ctrl", "keydown", "alt", "key", key, "keyup", "alt", "keyup", "ctrl"});
    }
    // The visible window of this program (WM_CLASS instance) whose title matches.
    QString Window(const QString& program, const QString& title)
    {
        const QRegularExpression wanted(title);
        for (const QString& w : Tool("xdotool", {"search", "--onlyvisible", "--classname", "^" + program + "$"}).split('\n'))
            if (!w.isEmpty() && wanted.match(Tool("xdotool", {"getwindowname", w})).hasMatch())
                return w;
        return {};
    }
    QString Sheet(const QString& program) { return Window(program, "^" + kSheet + "$"); }
    // The outer top-left: where the window is less its place in the decoration.
    QPoint Position(const QString& window)
    {
        const QString info = Tool("xwininfo", {"-id", window});
        const auto value = [&](const QString& key) {
            return QRegularExpression(key + ":\\s+(-?\\d+)").match(info).captured(1).toInt();
        };
        return {value("Absolute upper-left X") - value("Relative upper-left X"),
                value("Absolute upper-left Y") - value("Relative upper-left Y")};
    }
    void Activate(const QString& window) { m_desktop.Run("xdotool", {"windowactivate", "--sync", window}); }

    // The sheet of `app` as a screen reader reads it: "role\tname\tstates\tdescription".
    QStringList Accessible(const QString& app)
    {
        return Tool("/usr/bin/python3", {SourcePath("viewer/tests/read-accessible.py"), app, kSheet}).split('\n');
    }
    bool Shows(const QString& app, const QString& text) { return Accessible(app).join('\n').contains(text); }
    // What has the focus, innermost last, as "role\tname". The current tab
    // says it is focused whatever has the focus; the tab bar speaks for it.
    QString Focused(const QString& app)
    {
        QString last;
        for (const QString& line : Accessible(app))
            if (line.section('\t', 2, 2).split(',').contains("focused") && !line.startsWith("page tab\t"))
                last = line.section('\t', 0, 1);
        return last;
    }
    // Tab until this control ("role\tname") has the focus.
    bool TabTo(const QString& app, const QString& control)
    {
        QString focused = Focused(app);
        for (int i = 0; i < 30; ++i) {
            if (focused == control)
                return true;
            const QString from = focused;
            Key({"Tab"});
            // A focus that does not move is judged as it stands.
            (void)QTest::qWaitFor([&] { return (focused = Focused(app)) != from && !focused.isEmpty(); }, 5000);
        }
        return false;
    }
    // Ctrl+Tab until the page with this title is the selected tab.
    bool ShowPage(const QString& app, const QString& title)
    {
        const QRegularExpression selected("^page tab list\t" + QRegularExpression::escape(title) + "\t");
        for (int i = 0; i < 8; ++i) {
            // The tab bar is named after its current tab.
            if (!Accessible(app).filter(selected).isEmpty())
                return true;
            Key({"ctrl+Tab"});
            QTest::qWait(300);
        }
        return false;
    }

    qsizetype WaitForLog(const QString& text, qsizetype* from, int timeoutMs = kWaitMs)
    {
        return m_log.WaitFor(text, from, timeoutMs);
    }
    qsizetype CountLog(const QString& text, qsizetype from, qsizetype to) const { return m_log.Count(text, from, to); }

    std::unique_ptr<QProcess> Start(const QStringList& command, const QString& soundFile)
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        env.insert("QT_LOGGING_RULES", "ovantis.controller.info=true");
        env.insert("SDL_AUDIODRIVER", "disk");
        env.insert("SDL_DISKAUDIOFILE", soundFile);
        // No wave files of this machine's in the sound list.
        env.insert("XDG_DATA_DIRS", m_dir.filePath("data"));
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(command.first(), command.mid(1));
        process->waitForStarted(5000);
        return process;
    }

private slots:
    void initTestCase()
    {
        DesktopSession::Options options;
        options.windowManager = true;
        options.trayHost = true;
        options.accessibilityBus = true;
        QVERIFY2(m_desktop.Start(options), qPrintable(m_desktop.Error()));
        QVERIFY(m_dir.isValid());
        m_bus = std::make_unique<CBusBroadcast>(QDBusConnection::connectToBus(m_desktop.BusAddress(), "test"));
    }

    void cleanup()
    {
        m_log.Read();
        if (QTest::currentTestFailed()) {
            for (const ProcessLog::Line& line : m_log.Lines())
                qWarning("%6lld ms  ovctrl: %s", line.atMs, qPrintable(line.text));
            m_desktop.Screenshot(qEnvironmentVariable("OVANTIS_BINARY_DIR") + "/tests/prefs_end_to_end.png");
        }
    }

    void cleanupTestCase()
    {
        for (auto* process : {m_viewer.get(), m_controller.get()}) {
            if (!process)
                continue;
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
            process->waitForFinished(2000);
        }
    }

    void BothSheetsAtOnce()
    {
        CSettingsStore store;
        store.WriteString(Settings::kInstallation, Settings::kRelease);
        store.WriteInt(Settings::kLastStretchTopic, 300); // a reading topic: no codes 6 and 7
        store.WriteString(Settings::kSequence, QByteArray("KCENGRHS")); // Neck Roll, Shoulder Shrug
        store.WriteInt(Settings::kSequenceIndex, 0);
        store.WriteInt(Settings::kActivationMode, 0);
        store.WriteInt(Settings::kActivationInterval, 10); // two hours: nothing due in this test's time
        store.WriteInt(Settings::kNotificationSoundOn, 1); // each reminder says "notification sound"
        store.WriteString(Settings::kNotificationSound, "Tibetan Bell");
        store.WriteInt(Settings::kNotificationFlashIconOn, 1);
        store.WriteInt(Settings::kNotificationDialogOn, 0);
        store.WriteInt(Settings::kHotKeyEnable, 1);
        store.WriteInt(Settings::kHotKeyKeycode, 'S');
        store.WriteInt(Settings::kHotKeyModifiers, 6); // Ctrl+Alt

        const QString bin = BinaryPath("bin/");
        m_controller = Start({"faketime", "-f", QStringLiteral("+0 x%1").arg(kSpeed), bin + "ovctrl"},
                             m_dir.filePath("controller.raw"));
        m_log.Follow(m_controller.get());
        connect(m_controller.get(), &QProcess::readyRead, this, [this] { m_log.Read(); });
        QTRY_VERIFY_WITH_TIMEOUT(!Window("ovctrl", ".*").isEmpty(), kWaitMs); // the tray icon
        m_viewer = Start({bin + "stretch"}, m_dir.filePath("viewer.raw"));
        QString viewer;
        QTRY_VERIFY_WITH_TIMEOUT(!(viewer = Window("stretch", "^Ovantis - Why Stretch\\?$")).isEmpty(), kWaitMs);
        qsizetype at = 0;
        QVERIFY(WaitForLog("code 5 0", &at) >= 0);

        // The viewer's Preferences command: its sheet, and code 12 holds
        // the controller's reminders (open count 1).
        Activate(viewer);
        Key({"alt+e", "p"});
        QString viewerSheet;
        QTRY_VERIFY_WITH_TIMEOUT(!(viewerSheet = Sheet("stretch")).isEmpty(), kWaitMs);
        QVERIFY(WaitForLog("code 12 0", &at) >= 0);
        QVERIFY(WaitForLog("preferences open true", &at) >= 0);

        // The tray menu's Preferences, the last item: a second sheet, in the
        // controller (open count 2).
        const QString icon = Window("ovctrl", ".*");
        m_desktop.Run("xdotool", {"mousemove", "--window", icon, "5", "5", "click", "3"});
        QString menu;
        QTRY_VERIFY_WITH_TIMEOUT(!(menu = [&] {
            for (const QString& w : Tool("xdotool", {"search", "--onlyvisible", "--classname", "^ovctrl$"}).split('\n'))
                if (!w.isEmpty() && Tool("xdotool", {"getwindowgeometry", "--shell", w}).contains(QRegularExpression("HEIGHT=\\d{3}")))
                    return w;
            return QString();
        }()).isEmpty(), kWaitMs);
        const QString menuShell = Tool("xdotool", {"getwindowgeometry", "--shell", menu});
        const int menuHeight = QRegularExpression("HEIGHT=(\\d+)").match(menuShell).captured(1).toInt();
        m_desktop.Run("xdotool", {"mousemove", "--window", menu, "20", QString::number(menuHeight - 8), "click", "1"});
        QString ctrlSheet;
        QTRY_VERIFY_WITH_TIMEOUT(!(ctrlSheet = Sheet("ovctrl")).isEmpty(), kWaitMs);
        QVERIFY(WaitForLog("command 1514", &at) >= 0);
        QVERIFY(WaitForLog("code 12 0", &at) >= 0);
        QVERIFY(WaitForLog("preferences open true", &at) >= 0);

        // In the controller's sheet: every minute on "How to Activate" (its
        // list reached by its mnemonic, Home picks the first entry), and the
        // hot key Ctrl+Alt+J typed into the "Hot Key" page's field; Enter
        // there is the sheet's OK.
        Activate(ctrlSheet);
        QTRY_VERIFY_WITH_TIMEOUT(Shows(kControllerApp, "page tab list\tHow to Activate\t"), kWaitMs);
        Key({"alt+v", "Home"});
        QTRY_VERIFY_WITH_TIMEOUT(Shows(kControllerApp, "combo box\t1 Minute\t"), kWaitMs);
        QVERIFY(ShowPage(kControllerApp, "Hot Key"));
        Key({"alt+h"}); // the field's label; in the field itself a refused letter
        Chord("j");
        QTRY_VERIFY_WITH_TIMEOUT(Shows(kControllerApp, "Ctrl + Alt + J"), kWaitMs);
        const qsizetype beforeOk = at;
        Key({"Return"});
        QTRY_VERIFY_WITH_TIMEOUT(Sheet("ovctrl").isEmpty(), kWaitMs);
        QVERIFY(WaitForLog("code 14 0", &at) >= 0);
        // Closed: count 1, and the viewer's sheet still holds the reminders.
        const qsizetype ctrlClosed = WaitForLog("code 13 0", &at);
        QVERIFY(ctrlClosed >= 0);
        const qsizetype held = WaitForLog("preferences open", &at);
        QVERIFY(held >= 0);
        QCOMPARE(m_log[held].text.section("preferences open ", 1), QString("true"));
        // The tray's sheet starts a new cycle once it has returned.
        qsizetype afterSheet = beforeOk;
        const qsizetype returned = WaitForLog("preferences sheet closed", &afterSheet);
        QVERIFY(returned >= 0);
        const qint64 cycleStart = std::max(m_log[ctrlClosed].atMs, m_log[returned].atMs);
        QCOMPARE(store.ReadInt(Settings::kActivationInterval, SettingReader::Controller), 0);
        QCOMPARE(store.ReadInt(Settings::kHotKeyKeycode, SettingReader::Controller), int('J'));
        QCOMPARE(store.ReadInt(Settings::kHotKeyModifiers, SettingReader::Controller), 6);

        // In the viewer's sheet: the sequence made anew, Look Away then Hand
        // Shake-Out, each picked by typing in the routines list and added
        // with Enter; Apply.
        Activate(viewerSheet);
        QVERIFY(ShowPage(kViewerApp, "Sequence of Routines"));
        Key({"alt+l", "alt+h"}); // Clear All, then the routines to choose from
        for (const char* routine : {"Look", "Hand"}) {
            // The list's type-ahead starts afresh after a pause.
            QTest::qWait(700);
            m_desktop.Run("xdotool", {"type", "--delay", "60", routine});
            Key({"Return"});
        }
        QVERIFY(TabTo(kViewerApp, "push button\tApply"));
        Key({"space"});
        QVERIFY(WaitForLog("code 14 2", &at) >= 0);
        QCOMPARE(store.ReadString(Settings::kSequence, SettingReader::Controller), QByteArray("SEYEDNAH"));
        QCOMPARE(store.ReadInt(Settings::kSequenceIndex, SettingReader::Controller), 1); // the last one added

        // Its "Hot Key" page shows what the other sheet applied; from the
        // field Tab and Shift+Tab move the focus and come back.
        QVERIFY(ShowPage(kViewerApp, "Hot Key"));
        QTRY_VERIFY_WITH_TIMEOUT(Shows(kViewerApp, "Ctrl + Alt + J"), kWaitMs);
        Key({"alt+h"});
        QString field;
        QTRY_VERIFY_WITH_TIMEOUT((field = Focused(kViewerApp)).endsWith("\tHot Key:"), kWaitMs);
        Key({"Tab"});
        QTRY_VERIFY_WITH_TIMEOUT(!Focused(kViewerApp).isEmpty() && Focused(kViewerApp) != field, kWaitMs);
        Key({"shift+Tab"});
        QTRY_COMPARE_WITH_TIMEOUT(Focused(kViewerApp), field, kWaitMs);

        // The new interval has passed since the cycle started, held back.
        // The viewer's sheet, moved to the upper left, closes with Escape
        // typed in the hot key field: count 0, and the reminder comes in
        // the step of code 13 itself.
        m_desktop.Run("xdotool", {"windowmove", "--sync", viewerSheet, "30", "40"});
        QPoint moved;
        QTRY_VERIFY_WITH_TIMEOUT((moved = Position(viewerSheet)).x() < 100 && moved.y() < 100, kWaitMs);
        const qint64 dueIn = cycleStart + kOneMinuteDueMs + 1500 - m_log.Elapsed();
        if (dueIn > 0)
            QTest::qWait(int(dueIn));
        QCOMPARE(CountLog("notification sound", 0, m_log.Size()), 0);
        Activate(viewerSheet);
        // Lines are stamped when they are read, which a busy test may do
        // late; the reminder comes after the key in any case.
        const qint64 escapeAt = m_log.Elapsed();
        Key({"Escape"});
        QTRY_VERIFY_WITH_TIMEOUT(Sheet("stretch").isEmpty(), kWaitMs);
        const qsizetype closed = WaitForLog("code 13 0", &at);
        QVERIFY(closed >= 0);
        const qsizetype released = WaitForLog("preferences open", &at);
        QVERIFY(released >= 0);
        QCOMPARE(m_log[released].text.section("preferences open ", 1), QString("false"));
        QCOMPARE(CountLog("notification sound", 0, closed), 0);
        QVERIFY2(CountLog("notification sound", closed, released) == 1, "the reminder held back did not come");
        // Escape was the sheet's Cancel, not a new hot key.
        QCOMPARE(store.ReadInt(Settings::kHotKeyKeycode, SettingReader::Controller), int('J'));
        QCOMPARE(QPoint(store.ReadInt(Settings::kLastPrefsX, SettingReader::Page),
                        store.ReadInt(Settings::kLastPrefsY, SettingReader::Page)),
                 moved);

        // The next reminder a minute (controller time) after that one.
        qsizetype next = released;
        QVERIFY(WaitForLog("notification sound", &next, kOneMinuteDueMs + kWaitMs) >= 0);
        const qint64 interval = m_log[next - 1].atMs - escapeAt;
        QVERIFY2(interval >= kOneMinuteDueMs * 9 / 10, qPrintable(QString::number(interval)));
        at = std::max(at, next);

        // The old hot key, Ctrl+Alt+S: once the hook has counted its three
        // releases it has tested it, and it did not fire. A reminder between
        // zeroes the count; then again.
        WasHotKeyPressed();
        const qsizetype beforeKeys = at;
        bool tested = false;
        for (int attempt = 0; attempt < 3 && !tested; ++attempt) {
            m_log.Read();
            const qsizetype reminders = CountLog("notification sound", 0, m_log.Size());
            const int keys = GetKeyClicks();
            Chord("s");
            const bool counted = QTest::qWaitFor([&] {
                m_log.Read();
                return GetKeyClicks() >= keys + 3 || CountLog("notification sound", 0, m_log.Size()) > reminders;
            }, kWaitMs);
            tested = counted && GetKeyClicks() >= keys + 3
                && CountLog("notification sound", 0, m_log.Size()) == reminders;
        }
        QVERIFY(tested);
        QCOMPARE(WasHotKeyPressed(), 0);
        // The new one launches the next routine of the new sequence: after
        // Hand Shake-Out (index 1) comes Look Away, topic 207.
        Chord("j");
        const qsizetype launched = WaitForLog("launch 207 started", &at);
        QVERIFY(launched >= 0);
        QCOMPARE(WasHotKeyPressed(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!Window("stretch", "^Ovantis - Look Away$").isEmpty(), kWaitMs);
        QCOMPARE(CountLog("command 1500", beforeKeys, m_log.Size()), 1);
        QCOMPARE(CountLog("launch ", beforeKeys, m_log.Size()), 1);
        QCOMPARE(store.ReadInt(Settings::kSequenceIndex, SettingReader::Controller), 0);

        // "OvantisToAppMsg" 2 opens the viewer's sheet again, where it was
        // closed.
        m_bus->Post(CBusBroadcast::ToApp, 2, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!(viewerSheet = Sheet("stretch")).isEmpty(), kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(Position(viewerSheet), moved, kWaitMs);
        Activate(viewerSheet);
        Key({"Escape"});
        QTRY_VERIFY_WITH_TIMEOUT(Sheet("stretch").isEmpty(), kWaitMs);
    }
};

QTEST_GUILESS_MAIN(PrefsEndToEndTest)
#include "PrefsEndToEndTest.moc"
