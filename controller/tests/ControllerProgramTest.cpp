// The real ovctrl on a private X server and session bus. The test plays the
// viewer's side of the protocol: it owns the viewer's bus name when a
// viewer window is to exist, broadcasts the viewer's codes and records the
// controller's broadcasts. The program the controller starts as its viewer
// records its arguments, so every start can be counted.
#include "CSettingsStore.h"
#include "ContentIds.h"
#include "ContentModule.h"
#include "DesktopSession.h"
#include "OvantisHook.h"
#include "SettingsTable.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

const QString kPath = QStringLiteral("/org/halvornpress/Ovantis");
const QString kBroadcast = QStringLiteral("org.halvornpress.Ovantis.Broadcast");
const QString kController = QStringLiteral("org.halvornpress.OvantisCtrlClass");
const QString kViewer = QStringLiteral("org.halvornpress.OvantisAppClass");
constexpr int kWaitMs = 10000;

// The shipped library's default sequence, read from the module file as it
// stands: entry k is a routine's four-character code, bytes reversed, and a
// routine's code is bytes 8-11 of its trigger header.
struct DefaultSequence {
    QByteArray bytes;
    QList<int> topics;

    static DefaultSequence Of(const QString& modulePath)
    {
        DefaultSequence sequence;
        const auto module = ContentModule::FromFile(modulePath.toStdString());
        if (!module)
            return sequence;
        const auto* stsq = module->Find(ResName(ResType::kSequence), ResName(ResId::kDefaultSequence));
        if (!stsq)
            return sequence;
        sequence.bytes = QByteArray(reinterpret_cast<const char*>(stsq->data.data()), qsizetype(stsq->data.size()));
        for (qsizetype at = 0; at + 4 <= sequence.bytes.size(); at += 4) {
            QByteArray code = sequence.bytes.mid(at, 4);
            std::reverse(code.begin(), code.end());
            int found = -1;
            for (int topic = ResId::kStretchTopics; topic < ResId::kReadingTopics && found < 0; ++topic) {
                const auto* trig = module->Find(ResName(ResType::kTopic), ResName(topic));
                if (trig && trig->data.size() >= 12
                    && QByteArray(reinterpret_cast<const char*>(trig->data.data()) + 8, 4) == code)
                    found = topic;
            }
            sequence.topics.append(found);
        }
        return sequence;
    }
};

} // namespace

class BusProbe : public QObject {
    Q_OBJECT

public:
    explicit BusProbe(const QString& address)
        : m_bus(QDBusConnection::connectToBus(address, QStringLiteral("probe")))
    {
        m_bus.connect(QString(), kPath, kBroadcast, QStringLiteral("OvantisToAppMsg"), this,
                      SLOT(OnToApp(uint, int)));
        m_bus.connect(QString(), kPath, kBroadcast, QStringLiteral("OvantisToDrvrMsg"), this,
                      SLOT(OnToDrvr(uint, int)));
    }
    ~BusProbe() override { QDBusConnection::disconnectFromBus(m_bus.name()); }

    void ToCtrl(uint code, int lParam = 0)
    {
        QDBusMessage signal = QDBusMessage::createSignal(kPath, kBroadcast, QStringLiteral("OvantisToCtrlMsg"));
        signal << code << lParam;
        m_bus.send(signal);
    }
    void Command(uint id)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(kController, kPath,
                                                           QStringLiteral("org.halvornpress.Ovantis.Window"),
                                                           QStringLiteral("Command"));
        call << id;
        m_bus.call(call, QDBus::Block, 2000);
    }
    bool OwnViewerName(bool own)
    {
        return own ? m_bus.interface()->registerService(kViewer).value() == QDBusConnectionInterface::ServiceRegistered
                   : m_bus.interface()->unregisterService(kViewer).value();
    }
    QString OwnerOf(const QString& name) { return m_bus.interface()->serviceOwner(name).value(); }
    bool Serve(const QString& service, const QString& path, QObject* object)
    {
        return m_bus.registerObject(path, object, QDBusConnection::ExportScriptableSlots)
            && m_bus.interface()->registerService(service).value() == QDBusConnectionInterface::ServiceRegistered;
    }

    QList<int> shownTopics; ///< lParam of every "OvantisToAppMsg" 1
    QList<int> hotKeys;     ///< lParam of every "OvantisToDrvrMsg"

private slots:
    void OnToApp(uint code, int lParam)
    {
        if (code == 1)
            shownTopics.append(lParam);
    }
    void OnToDrvr(uint, int lParam) { hotKeys.append(lParam); }

private:
    QDBusConnection m_bus;
};

/// logind's Manager on the private bus, standing in for the system bus.
class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    int reboots = 0;

public slots:
    Q_SCRIPTABLE void Reboot(bool) { ++reboots; }
};

class ControllerProgramTest : public QObject {
    Q_OBJECT

private:
    DesktopSession m_desktop;
    QTemporaryDir m_appDir;
    std::unique_ptr<BusProbe> m_probe;
    std::vector<std::unique_ptr<QProcess>> m_controllers;

    QString Program() const { return m_appDir.filePath("ovctrl"); }
    QString ViewerLog() const { return m_appDir.filePath("viewer-starts.log"); }
    QStringList ViewerStarts() const
    {
        QFile log(ViewerLog());
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    QProcess* StartController(const QStringList& args, const QStringList& wrapper = {})
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb"); // its dialogs on the private X server
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", m_desktop.BusAddress()); // logind is the test's
        process->setProcessEnvironment(env);
        if (wrapper.isEmpty())
            process->start(Program(), args);
        else
            process->start(wrapper[0], wrapper.mid(1) + QStringList{Program()} + args);
        m_controllers.push_back(std::move(process));
        return m_controllers.back().get();
    }
    bool WaitForOwner(const QString& name, bool owned)
    {
        QDeadlineTimer deadline(kWaitMs);
        while (!deadline.hasExpired()) {
            if (m_probe->OwnerOf(name).isEmpty() != owned)
                return true;
            QTest::qWait(20);
        }
        return false;
    }
    bool WaitForController() { return WaitForOwner(kController, true); }
    bool WaitForWindow(const QString& title)
    {
        QDeadlineTimer deadline(kWaitMs);
        while (!deadline.hasExpired()) {
            if (m_desktop.Run("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"}) == 0)
                return true;
            QTest::qWait(50);
        }
        return false;
    }

    DefaultSequence Shipped() const { return DefaultSequence::Of(m_appDir.filePath("OvantisRes.dll")); }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_desktop.Start(), qPrintable(m_desktop.Error()));
        QVERIFY(m_appDir.isValid());
        // The controller finds its viewer and the content module beside itself.
        const QString bin = qEnvironmentVariable("OVANTIS_BINARY_DIR") + "/bin/";
        QVERIFY(QFile::copy(bin + "ovctrl", Program()));
        QVERIFY(QFile::copy(bin + "OvantisRes.dll", m_appDir.filePath("OvantisRes.dll")));
        QFile viewer(m_appDir.filePath("stretch"));
        QVERIFY(viewer.open(QIODevice::WriteOnly));
        viewer.write(QStringLiteral("#!/bin/sh\necho \"start $*\" >> '%1'\n").arg(ViewerLog()).toUtf8());
        viewer.close();
        viewer.setPermissions(viewer.permissions() | QFile::ExeOwner);
        m_probe = std::make_unique<BusProbe>(m_desktop.BusAddress());
    }

    void cleanup()
    {
        for (auto& process : m_controllers) {
            if (process->state() != QProcess::NotRunning) {
                process->terminate();
                if (!process->waitForFinished(5000))
                    process->kill();
                process->waitForFinished(2000);
            }
        }
        m_controllers.clear();
        m_probe->OwnViewerName(false);
        m_probe->shownTopics.clear();
        m_probe->hotKeys.clear();
        QFile::remove(ViewerLog());
        QFile::remove(CSettingsStore::DefaultFilePath());
    }

    // The codes of the protocol, as a viewer and the Preferences pages send them.
    void protocol()
    {
        // The first start after an installation forgets the last topic and
        // takes the default sequence.
        CSettingsStore store;
        QVERIFY(store.WriteString(Settings::kInstallation, "Setup"));
        QVERIFY(store.WriteInt(Settings::kLastStretchTopic, 250));
        QVERIFY(store.WriteString(Settings::kSequence, "XXXX"));
        StartController({});
        QVERIFY(WaitForController());
        QCOMPARE(store.ReadString(Settings::kInstallation, SettingReader::Controller), QByteArray("Release"));
        QCOMPARE(store.ReadInt(Settings::kLastStretchTopic, SettingReader::Controller), -1);
        const DefaultSequence shipped = Shipped();
        QVERIFY(shipped.topics.size() >= 3);
        QVERIFY(!shipped.topics.contains(-1));
        QCOMPARE(store.ReadString(Settings::kSequence, SettingReader::Controller), shipped.bytes);
        QCOMPARE(store.ReadInt(Settings::kSequenceIndex, SettingReader::Controller), 0);

        // The hot key settings go out once loaded: key code low, modifiers high.
        QTRY_COMPARE_WITH_TIMEOUT(m_probe->hotKeys, QList<int>{83 | (6 << 16)}, kWaitMs);

        // Code 14 selects its group by the low word only: group 1 (high word 3)
        // is not the hot key group, group 3 (high word 1) is.
        QVERIFY(store.WriteInt(Settings::kHotKeyKeycode, 65));
        m_probe->ToCtrl(14, (3 << 16) | 1);
        QVERIFY(store.WriteInt(Settings::kHotKeyKeycode, 66));
        m_probe->ToCtrl(14, (1 << 16) | 3);
        QTRY_COMPARE_WITH_TIMEOUT(m_probe->hotKeys.size(), 2, kWaitMs);
        QCOMPARE(m_probe->hotKeys.last(), 66 | (6 << 16));

        // Codes 21 and 22 add to the session's counts, negative numbers too.
        SetKeyCount(0);
        SetMouseCount(0);
        m_probe->ToCtrl(21, 7);
        m_probe->ToCtrl(21, -5);
        m_probe->ToCtrl(22, 3);
        QTRY_COMPARE_WITH_TIMEOUT(GetMouseClicks(), 3, kWaitMs);
        QCOMPARE(GetKeyClicks(), 2);

        // Stretch Now steps the default sequence from index 0 to entry 1.
        m_probe->Command(1500);
        QTRY_COMPARE_WITH_TIMEOUT(m_probe->shownTopics, QList<int>{shipped.topics[1]}, kWaitMs);
        QCOMPARE(store.ReadString(Settings::kSequence, SettingReader::Controller), shipped.bytes);
        QCOMPARE(store.ReadInt(Settings::kSequenceIndex, SettingReader::Controller), 1);
        QCOMPARE(store.ReadInt(Settings::kLastStretchTopic, SettingReader::Controller), shipped.topics[1]);
        QTRY_COMPARE_WITH_TIMEOUT(ViewerStarts(), QStringList{"start "}, kWaitMs);

        // A viewer in front that reported its activation keeps Stretch Now from
        // launching; once it reports its deactivation, Stretch Now launches.
        QVERIFY(m_probe->OwnViewerName(true));
        m_probe->ToCtrl(5);
        m_probe->ToCtrl(6);
        m_probe->Command(1500);
        m_probe->ToCtrl(7);
        m_probe->Command(1500);
        QTRY_COMPARE_WITH_TIMEOUT(m_probe->shownTopics.size(), 2, kWaitMs);
        QCOMPARE(m_probe->shownTopics, (QList<int>{shipped.topics[1], shipped.topics[2]}));
        QCOMPARE(store.ReadInt(Settings::kSequenceIndex, SettingReader::Controller), 2);

        // A topic command launches that topic; any other id launches nothing.
        m_probe->Command(1199);
        m_probe->Command(1400);
        m_probe->Command(1301);
        QTRY_COMPARE_WITH_TIMEOUT(m_probe->shownTopics.size(), 3, kWaitMs);
        QCOMPARE(m_probe->shownTopics.last(), 301);
        QCOMPARE(ViewerStarts().size(), 3);
    }

    // Installation, one controller per session, the hot key, removal.
    void installAndRemove()
    {
        const QString entry = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + "/autostart/ovctrl.desktop";
        QProcess* first = StartController({"-install"});
        QVERIFY(WaitForController());
        QTRY_COMPARE_WITH_TIMEOUT(m_probe->shownTopics, QList<int>{300}, kWaitMs);
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("\nExec=\"" + Program().toUtf8() + "\"\n"));
        const QString owner = m_probe->OwnerOf(kController);

        // A second controller (even one that installs) hands over and ends.
        QProcess* second = StartController({"-INSTALL"});
        QVERIFY(second->waitForFinished(kWaitMs));
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(m_probe->OwnerOf(kController), owner);

        // The hot key typed on the X server: Ctrl+Alt+S, the next routine.
        QCOMPARE(m_desktop.Run("xdotool", {"keydown", "ctrl", "keydown", "alt", "key", "s", "keyup", "alt",
                                           "keyup", "ctrl"}),
                 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_probe->shownTopics, (QList<int>{300, Shipped().topics.value(1)}), kWaitMs);

        // Removal: the viewer is started to close itself, the entry goes and
        // the running controller ends.
        QProcess* remove = StartController({"-Remove"});
        QVERIFY(remove->waitForFinished(kWaitMs));
        QVERIFY(first->waitForFinished(kWaitMs));
        QVERIFY(!QFile::exists(entry));
        QTRY_COMPARE_WITH_TIMEOUT(ViewerStarts(), (QStringList{"start ", "start ", "start -Remove"}), kWaitMs);
    }

    // With the real viewer beside it: the installation shows the first
    // reading topic, Stretch Now switches the running viewer to the next
    // routine, and the removal ends both programs.
    void withTheViewer()
    {
        QTemporaryDir dir;
        const QString bin = qEnvironmentVariable("OVANTIS_BINARY_DIR") + "/bin/";
        for (const char* file : {"ovctrl", "stretch", "OvantisRes.dll"})
            QVERIFY(QFile::copy(bin + file, dir.filePath(file)));
        auto run = [&](const QStringList& args) {
            auto process = std::make_unique<QProcess>();
            process->setProcessChannelMode(QProcess::ForwardedChannels);
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("QT_QPA_PLATFORM", "xcb");
            process->setProcessEnvironment(env);
            process->start(dir.filePath("ovctrl"), args);
            m_controllers.push_back(std::move(process));
            return m_controllers.back().get();
        };
        QProcess* controller = run({"-install"});
        QVERIFY(WaitForController());
        QVERIFY(WaitForOwner(kViewer, true));
        QVERIFY(WaitForWindow("Ovantis - Why Stretch\\?"));

        m_probe->Command(1500);
        QVERIFY(WaitForWindow("Ovantis - Shoulder Shrug"));

        QProcess* remove = run({"-remove"});
        QVERIFY(remove->waitForFinished(kWaitMs));
        QVERIFY(controller->waitForFinished(kWaitMs));
        QVERIFY(WaitForOwner(kViewer, false));
        QVERIFY(!QFile::exists(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                               + "/autostart/ovctrl.desktop"));
    }

    // A viewer that cannot be started: the question offers a restart, and
    // Yes asks logind for it while the controller goes on.
    void viewerCannotStart()
    {
        FakeLogind logind;
        QVERIFY(m_probe->Serve("org.freedesktop.login1", "/org/freedesktop/login1", &logind));
        QFile viewer(m_appDir.filePath("stretch"));
        const QFile::Permissions permissions = viewer.permissions();
        QVERIFY(viewer.setPermissions(QFile::ReadOwner | QFile::WriteOwner)); // there, but cannot run
        auto restore = qScopeGuard([&] { viewer.setPermissions(permissions); });
        QProcess* controller = StartController({});
        QVERIFY(WaitForController());
        m_probe->Command(1500);
        QVERIFY(WaitForWindow("Ovantis"));
        QByteArray window;
        QCOMPARE(m_desktop.Run("xdotool", {"search", "--onlyvisible", "--name", "^Ovantis$"}, &window), 0);
        QCOMPARE(m_desktop.Run("xdotool", {"windowfocus", window.trimmed().split('\n').value(0), "key", "--delay",
                                           "50", "alt+y"}),
                 0);
        // The viewer is told the topic all the same.
        QTRY_COMPARE_WITH_TIMEOUT(m_probe->shownTopics, QList<int>{Shipped().topics.value(1)}, kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(logind.reboots, 1, kWaitMs);
        m_probe->ToCtrl(14, 3); // still running: it answers with its hot key
        QTRY_COMPARE_WITH_TIMEOUT(m_probe->hotKeys.size(), 2, kWaitMs);
        QCOMPARE(controller->state(), QProcess::Running);
        QVERIFY(ViewerStarts().isEmpty());
    }

    // A reminder from start to finish: the interval passes, the dialog comes
    // up, the user takes the offered "Stretch Now" and the next routine shows.
    void intervalReminderDialog()
    {
        CSettingsStore store;
        QVERIFY(store.WriteInt(Settings::kActivationInterval, 0)); // one minute
        QVERIFY(store.WriteInt(Settings::kNotificationDialogOn, 1));
        // The controller's clocks run ten times as fast: its minute lasts six seconds.
        StartController({}, {"faketime", "-f", "+0 x10"});
        QVERIFY(WaitForController());
        QByteArray window;
        QDeadlineTimer deadline(30000);
        while (window.isEmpty() && !deadline.hasExpired()) {
            QTest::qWait(100);
            if (m_desktop.Run("xdotool", {"search", "--onlyvisible", "--name", "^Ovantis$"}, &window) != 0)
                window.clear();
        }
        window = window.trimmed().split('\n').value(0);
        QVERIFY2(!window.isEmpty(), "no reminder dialog came up");
        QVERIFY(m_probe->shownTopics.isEmpty());
        QCOMPARE(m_desktop.Run("xdotool", {"windowfocus", window, "key", "--delay", "50", "Return"}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_probe->shownTopics, QList<int>{Shipped().topics.value(1)}, kWaitMs);
        QCOMPARE(store.ReadInt(Settings::kSequenceIndex, SettingReader::Controller), 1);
    }
};

QTEST_GUILESS_MAIN(ControllerProgramTest)
#include "ControllerProgramTest.moc"
