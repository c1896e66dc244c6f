// The Preferences sheet in both programs at once, on a private desktop with
// a window manager, a tray host, a session bus and an accessibility bus: the
// real viewer shows a reading topic, the real ovctrl runs ten times as fast
// (faketime) with its sound going to SDL's disk output, and the test plays
// the user with xdotool and reads the sheets the way a screen reader does.
#include "CBusBroadcast.h"
#include "CSettingsStore.h"
#include "DesktopSession.h"
#include "SettingsTable.h"
#include "TestHome.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>

namespace {

constexpr int kWaitMs = 20000;
constexpr int kSpeed = 10; // faketime's factor for the controller
const QString kSheet = QStringLiteral("Ovantis Preferences");
const QString kViewerApp = QStringLiteral("OvantisAppClass");
const QString kControllerApp = QStringLiteral("Stretch");

// A built-in sound as the player sends it at `level`: sox decodes the
// source wave to signed 16 bits, then each sample is scaled by level / 65535.
std::vector<int16_t> Expected(const QString& wave, int level, const QString& scratch)
{
    if (QProcess::execute("sox", {wave, "-t", "raw", "-e", "signed-integer", "-b", "16", "-L", scratch}) != 0)
        return {};
    QFile file(scratch);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray raw = file.readAll();
    std::vector<int16_t> samples(size_t(raw.size() / 2));
    for (size_t i = 0; i < samples.size(); ++i) {
        const int32_t s = int16_t(uint8_t(raw[qsizetype(2 * i)]) | uint8_t(raw[qsizetype(2 * i + 1)]) << 8);
        samples[i] = int16_t(s * level / 65535);
    }
    return samples;
}

bool Contains(const QString& rawFile, const std::vector<int16_t>& samples)
{
    QFile out(rawFile);
    if (samples.empty() || !out.open(QIODevice::ReadOnly))
        return false;
    const QByteArray raw = out.readAll();
    const auto* begin = reinterpret_cast<const int16_t*>(raw.constData());
    const auto* end = begin + raw.size() / 2;
    return std::search(begin, end, samples.begin(), samples.end()) != end;
}

} // namespace

class PrefsEndToEndTest : public QObject {
    Q_OBJECT

private:
    DesktopSession m_desktop;
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_controller;
    std::unique_ptr<QProcess> m_viewer;
    std::unique_ptr<CBusBroadcast> m_bus;
    QStringList m_log;

    QString Tool(const QString& program, const QStringList& args)
    {
        QByteArray out;
        m_desktop.Run(program, args, &out);
        return QString::fromLocal8Bit(out).trimmed();
    }
    void Key(const QStringList& keys) { m_desktop.Run("xdotool", QStringList{"key", "--delay", "60"} + keys); }
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
    static QStringList Having(const QStringList& lines, const QString& state)
    {
        QStringList found;
        for (const QString& line : lines)
            if (line.section('\t', 2, 2).split(',').contains(state))
                found << line.section('\t', 0, 1);
        return found;
    }
    // What has the focus, innermost last: a tab widget passes its focus on
    // to its tab bar, and both say so. The current tab says so whatever
    // has the focus; the tab bar speaks for it.
    QStringList FocusChain(const QString& app)
    {
        QStringList chain = Having(Accessible(app), "focused");
        chain.removeIf([](const QString& line) { return line.startsWith("page tab\t"); });
        return chain;
    }
    QString Focused(const QString& app)
    {
        const QStringList chain = FocusChain(app);
        return chain.value(chain.size() - 1);
    }
    // Waits until the focus has moved off `from`.
    QString FocusAfter(const QString& app, const QString& from)
    {
        QString now;
        // A focus that does not move comes back as it stands.
        const bool moved = QTest::qWaitFor([&] { return (now = Focused(app)) != from && !now.isEmpty(); }, 5000);
        return moved ? now : from;
    }
    // Tab round the sheet once from where the focus is: the controls met,
    // in order, and in *chains everything that had the focus on the way.
    QStringList TabCycle(const QString& app, QStringList* chains)
    {
        QStringList met{Focused(app)};
        for (int i = 0; i < 30; ++i) {
            *chains << FocusChain(app);
            Key({"Tab"});
            const QString next = FocusAfter(app, met.last());
            if (next == met.first())
                return met;
            met << next;
        }
        return {};
    }
    // Tab until this control ("role\tname") has the focus.
    bool TabTo(const QString& app, const QString& control)
    {
        QString focused = Focused(app);
        for (int i = 0; i < 30; ++i) {
            if (focused == control)
                return true;
            Key({"Tab"});
            focused = FocusAfter(app, focused);
        }
        return false;
    }
    // Ctrl+Tab until the page with this title is the selected tab.
    bool ShowPage(const QString& app, const QString& title)
    {
        for (int i = 0; i < 6; ++i) {
            // The tab bar is named after its current tab.
            if (Accessible(app).filter(QRegularExpression("^page tab list\t" + QRegularExpression::escape(title) + "\t")).size())
                return true;
            Key({"ctrl+Tab"});
            QTest::qWait(300);
        }
        return false;
    }

    void ReadLog()
    {
        while (m_controller && m_controller->canReadLine())
            m_log << QString::fromUtf8(m_controller->readLine()).trimmed();
    }
    // The index of the first log line from `*from` on containing `text`,
    // waiting for it; -1 when it did not come. *from moves past it.
    qsizetype WaitForLog(const QString& text, qsizetype* from, int timeoutMs = kWaitMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            ReadLog();
            for (qsizetype i = *from; i < m_log.size(); ++i) {
                if (m_log[i].contains(text)) {
                    *from = i + 1;
                    return i;
                }
            }
            if (deadline.hasExpired())
                return -1;
            QTest::qWait(20);
        }
    }
    qsizetype CountLog(const QString& text, qsizetype from, qsizetype to)
    {
        qsizetype n = 0;
        for (qsizetype i = from; i < to && i < m_log.size(); ++i)
            n += m_log[i].contains(text);
        return n;
    }

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
        ReadLog();
        if (QTest::currentTestFailed()) {
            for (const QString& line : m_log)
                qWarning("ovctrl: %s", qPrintable(line));
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
        store.WriteInt(Settings::kLastStretchTopic, 300);
        store.WriteString(Settings::kSequence, QByteArray("KCENGRHS")); // Neck Roll, Shoulder Shrug
        store.WriteInt(Settings::kSequenceIndex, 0);
        store.WriteInt(Settings::kActivationMode, 0);
        store.WriteInt(Settings::kActivationInterval, 10); // two hours: nothing due in this test's time
        store.WriteInt(Settings::kNotificationSoundOn, 1);
        store.WriteString(Settings::kNotificationSound, "Tibetan Bell");
        store.WriteInt(Settings::kNotificationUseSystemVolume, 0);
        store.WriteInt(Settings::kNotificationSoundVolume, 5);
        store.WriteInt(Settings::kNotificationFlashIconOn, 1);
        store.WriteInt(Settings::kNotificationDialogOn, 0);
        const QString viewerSound = m_dir.filePath("viewer.raw");
        const QString controllerSound = m_dir.filePath("controller.raw");
        const std::vector<int16_t> marimba7 = Expected(SourcePath("contentsrc/sounds/soft-marimba.wav"), 7 * 6553,
                                                       m_dir.filePath("expected.raw"));
        QVERIFY(marimba7.size() > 1000);

        const QString bin = BinaryPath("bin/");
        m_controller = Start({"faketime", "-f", QStringLiteral("+0 x%1").arg(kSpeed), bin + "ovctrl"}, controllerSound);
        connect(m_controller.get(), &QProcess::readyRead, this, [this] { ReadLog(); });
        QTRY_VERIFY_WITH_TIMEOUT(!Window("ovctrl", ".*").isEmpty(), kWaitMs); // the tray icon
        m_viewer = Start({bin + "stretch"}, viewerSound);
        QString viewer;
        QTRY_VERIFY_WITH_TIMEOUT(!(viewer = Window("stretch", "^Ovantis - Why Stretch\\?$")).isEmpty(), kWaitMs);
        qsizetype at = 0;

        // The viewer's Preferences command: the sheet, and code 12 holds the
        // controller's reminders.
        Activate(viewer);
        Key({"alt+e", "p"});
        QString viewerSheet;
        QTRY_VERIFY_WITH_TIMEOUT(!(viewerSheet = Sheet("stretch")).isEmpty(), kWaitMs);
        QVERIFY(WaitForLog("code 12 0", &at) >= 0);
        QVERIFY(WaitForLog("preferences open true", &at) >= 0);

        // Every control of every page is met by Tab and has a name.
        for (int page = 0;; ++page) {
            const QStringList tree = Accessible(kViewerApp);
            const QStringList tabs = [&] {
                QStringList t;
                for (const QString& line : tree)
                    if (line.startsWith("page tab\t"))
                        t << line.section('\t', 1, 1);
                return t;
            }();
            QVERIFY2(tabs.size() >= 2 && page < tabs.size(), qPrintable(tree.join('\n')));
            // The two pages that were there before this test; the others are
            // walked by their own tests.
            if (tabs[page] != "How to Notify" && tabs[page] != "Hot Key") {
                if (page + 1 == tabs.size())
                    break;
                continue;
            }
            QVERIFY2(ShowPage(kViewerApp, tabs[page]), qPrintable(tree.join('\n')));
            QStringList focused;
            const QStringList cycle = TabCycle(kViewerApp, &focused);
            QVERIFY2(!cycle.isEmpty(), qPrintable(tabs[page]));
            // What a screen reader announces has a name.
            for (const QString& control : cycle)
                QVERIFY2(!control.section('\t', 1).isEmpty(), qPrintable(tabs[page] + ": " + cycle.join(" | ")));
            QStringList reachable;
            for (const QString& line : Accessible(kViewerApp)) {
                const QStringList states = line.section('\t', 2, 2).split(',');
                const QString role = line.section('\t', 0, 0);
                // Tab reaches a group's checked radio button, the arrows the others.
                if (states.contains("showing") && states.contains("enabled") && states.contains("focusable")
                    && role != "dialog" && role != "page tab" && role != "list item"
                    && (role != "radio button" || states.contains("checked")))
                    reachable << line.section('\t', 0, 1);
            }
            for (const QString& control : reachable)
                QVERIFY2(focused.contains(control), qPrintable(tabs[page] + ": " + control + " not in " + cycle.join(" | ")));
            if (page + 1 == tabs.size())
                break;
        }

        // "How to Notify": Soft Marimba, the slider two steps up (volume 7),
        // Demo plays it at that volume; Apply, and the controller follows
        // at once and plays the new sound once.
        QVERIFY(ShowPage(kViewerApp, "How to Notify"));
        QVERIFY(TabTo(kViewerApp, "check box\tPlay a Sound"));
        Key({"Tab", "s"});
        QTRY_VERIFY_WITH_TIMEOUT(Accessible(kViewerApp).contains("combo box\tSoft Marimba\tenabled,focused,showing,focusable\tSound"), kWaitMs);
        QVERIFY(TabTo(kViewerApp, "slider\tVolume"));
        Key({"Up", "Up"});
        QVERIFY(TabTo(kViewerApp, "push button\tDemo"));
        Key({"space"});
        QTRY_VERIFY_WITH_TIMEOUT(Contains(viewerSound, marimba7), kWaitMs);
        QVERIFY(!Contains(controllerSound, marimba7));
        QVERIFY(TabTo(kViewerApp, "push button\tApply"));
        Key({"space"});
        QVERIFY(WaitForLog("code 14 1", &at) >= 0);
        QTRY_VERIFY_WITH_TIMEOUT(Contains(controllerSound, marimba7), kWaitMs);
        QCOMPARE(store.ReadString(Settings::kNotificationSound, SettingReader::Page), QByteArray("Soft Marimba"));

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

        // A new hot key, Ctrl+Alt+J, applied in the controller's sheet.
        Activate(ctrlSheet);
        QVERIFY(ShowPage(kControllerApp, "Hot Key"));
        Key({"alt+h"});
        m_desktop.Run("xdotool", {"keydown", "ctrl", "keydown", "alt", "key", "j", "keyup", "alt", "keyup", "ctrl"});
        QTRY_VERIFY_WITH_TIMEOUT(Accessible(kControllerApp).join('\n').contains("Ctrl + Alt + J"), kWaitMs);

        // The interval and the sequence: one minute, and Look Away before
        // Hand Shake-Out.
        // Written here as those two pages would write them, with their
        // code 14.
        store.WriteInt(Settings::kActivationInterval, 0);
        m_bus->Post(CBusBroadcast::ToCtrl, 14, 0);
        store.WriteString(Settings::kSequence, QByteArray("SEYEDNAH"));
        store.WriteInt(Settings::kSequenceIndex, 1);
        m_bus->Post(CBusBroadcast::ToCtrl, 14, 2);
        QVERIFY(WaitForLog("code 14 2", &at) >= 0);

        // OK: the controller's sheet closes (count 1) and the controller
        // starts a new cycle; the viewer's sheet still holds the reminders
        // past the new interval (61 s, 6.1 s here).
        Key({"Tab"});
        QVERIFY(TabTo(kControllerApp, "push button\tOK"));
        Key({"space"});
        QTRY_VERIFY_WITH_TIMEOUT(Sheet("ovctrl").isEmpty(), kWaitMs);
        QCOMPARE(store.ReadInt(Settings::kHotKeyKeycode, SettingReader::Controller), int('J'));
        QCOMPARE(store.ReadInt(Settings::kHotKeyModifiers, SettingReader::Controller), 6);
        QVERIFY(WaitForLog("code 13 0", &at) >= 0);
        const qsizetype held = WaitForLog("preferences open", &at);
        QVERIFY(held >= 0);
        QCOMPARE(m_log[held].section("preferences open ", 1), QString("true"));
        QElapsedTimer heldFor;
        heldFor.start();
        QTest::qWait(61 * 1000 / kSpeed + 1500);

        // The viewer's sheet, moved to the upper left, closes: count 0, and
        // the reminder due for a while comes at once.
        m_desktop.Run("xdotool", {"windowmove", "--sync", viewerSheet, "30", "40"});
        QTest::qWait(500);
        const QPoint moved = Position(viewerSheet);
        Activate(viewerSheet);
        Key({"Escape"});
        QTRY_VERIFY_WITH_TIMEOUT(Sheet("stretch").isEmpty(), kWaitMs);
        const qsizetype closed = WaitForLog("code 13 0", &at);
        QVERIFY(closed >= 0);
        const qsizetype released = WaitForLog("preferences open", &at);
        QCOMPARE(m_log[released].section("preferences open ", 1), QString("false"));
        // The reminder comes in the step that follows code 13 itself.
        QCOMPARE(CountLog("flashing true", 0, closed), 0);
        QVERIFY2(CountLog("flashing true", closed, released) == 1, "the reminder held back did not come");
        QVERIFY(heldFor.elapsed() > 61 * 1000 / kSpeed);
        QCOMPARE(QPoint(store.ReadInt(Settings::kLastPrefsX, SettingReader::Page),
                        store.ReadInt(Settings::kLastPrefsY, SettingReader::Page)),
                 moved);

        // The old hot key does nothing, the new one launches the next
        // routine of the new sequence: one Stretch Now only, after both.
        const qsizetype beforeKeys = at;
        for (const char* letter : {"s", "j"})
            m_desktop.Run("xdotool", {"keydown", "ctrl", "keydown", "alt", "key", letter, "keyup", "alt", "keyup", "ctrl"});
        const qsizetype launched = WaitForLog("launch 207 started", &at);
        QVERIFY(launched >= 0);
        QCOMPARE(CountLog("command 1500", beforeKeys, launched), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!Window("stretch", "^Ovantis - Look Away$").isEmpty(), kWaitMs);

        // "OvantisToAppMsg" 2 opens the viewer's sheet.
        m_bus->Post(CBusBroadcast::ToApp, 2, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!(viewerSheet = Sheet("stretch")).isEmpty(), kWaitMs);
        Activate(viewerSheet);
        Key({"Escape"});
        QTRY_VERIFY_WITH_TIMEOUT(Sheet("stretch").isEmpty(), kWaitMs);
    }
};

QTEST_GUILESS_MAIN(PrefsEndToEndTest)
#include "PrefsEndToEndTest.moc"
