#include "BusNames.h"
#include "CBusBroadcast.h"
#include "CSettingsStore.h"
#include "CommandListener.h"
#include "DesktopSession.h"
#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <memory>

namespace {
constexpr int kWaitMs = 20000;

// The real program on the private desktop, reached the way a user and a
// screen reader reach it.
class ViewerRun : public QObject {
public:
    TestHome home;
    DesktopSession session;
    std::unique_ptr<CommandListener> controller;
    std::unique_ptr<CBusBroadcast> bus;
    QList<uint> codes; // "OvantisToCtrlMsg" codes heard, in order

    bool Start()
    {
        DesktopSession::Options options;
        options.windowManager = true;
        options.accessibilityBus = true;
        if (!session.Start(options))
            return false;
        controller = std::make_unique<CommandListener>(session.BusAddress(), "controller");
        if (!controller->Own(QString("org.halvornpress.") + BusNames::kControllerClass))
            return false;
        bus = std::make_unique<CBusBroadcast>(QDBusConnection::connectToBus(session.BusAddress(), "test"));
        bus->Listen(CBusBroadcast::ToCtrl);
        connect(bus.get(), &CBusBroadcast::Received, this, [this](CBusBroadcast::Message, uint w, int) { codes.append(w); });
        return true;
    }

    std::unique_ptr<QProcess> Launch(const QStringList& args = {})
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        env.insert("DISPLAY", session.Display());
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(home.Home());
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(BinaryPath("bin/stretch"), args);
        p->waitForStarted(5000);
        return p;
    }

    QString Tool(const QString& program, const QStringList& args)
    {
        QByteArray out;
        session.Run(program, args, &out);
        return QString::fromLocal8Bit(out).trimmed();
    }
    // The viewer's window: the one whose title starts "Ovantis".
    QString Window() { return Tool("xdotool", {"search", "--name", "^Ovantis - "}).section('\n', 0, 0); }
    QString Title() { return Tool("xdotool", {"getwindowname", Window()}); }
    // The outer top-left: the window's place less the decoration the window
    // manager reports around it.
    QPoint Position()
    {
        const QString shell = Tool("xdotool", {"getwindowgeometry", "--shell", Window()});
        const auto value = [&](const char* key) {
            return QRegularExpression(QString("%1=(-?\\d+)").arg(key)).match(shell).captured(1).toInt();
        };
        const QStringList extents
            = Tool("xprop", {"-id", Window(), "_NET_FRAME_EXTENTS"}).section('=', 1).split(',');
        return {value("X") - extents.value(0).trimmed().toInt(), value("Y") - extents.value(2).trimmed().toInt()};
    }
    int Height()
    {
        const QString shell = Tool("xdotool", {"getwindowgeometry", "--shell", Window()});
        return QRegularExpression("HEIGHT=(\\d+)").match(shell).captured(1).toInt();
    }
    QImage Shot()
    {
        const QString file = home.Root() + "/shot.png";
        session.Run("import", {"-window", Window(), file});
        return QImage(file);
    }
    void Key(const QString& keys) { session.Run("xdotool", {"key", "--clearmodifiers", keys}); }
    // A click at view coordinates (the menu bar lies above the view).
    void ClickView(int x, int y)
    {
        const int menuBar = Height() - 436;
        session.Run("xdotool", {"mousemove", "--window", Window(), QString::number(x), QString::number(menuBar + y),
                                "click", "1"});
    }
    QString Accessible() { return Tool("/usr/bin/python3", {SourcePath("viewer/tests/read-accessible.py"), "OvantisAppClass"}); }
    int Stored(const char* section, const char* name) { return CSettingsStore().ReadInt(section, name, -99); }
    // Codes heard from `from` on, with a marker posted now that must come last.
    QList<uint> CodesSince(qsizetype from)
    {
        bus->Post(CBusBroadcast::ToCtrl, 99);
        if (!QTest::qWaitFor([&] { return codes.contains(99u); }, kWaitMs))
            return {};
        QList<uint> seen = codes.mid(from);
        seen.removeAll(99u);
        codes.removeAll(99u);
        return seen;
    }
};

bool IsInk(QRgb pixel)
{
    return (pixel & 0xFFFFFF) != 0xFFFFFF;
}
} // namespace

class ViewerEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void ViewerWorksOnARealDesktop()
    {
        ViewerRun run;
        QVERIFY2(run.Start(), qPrintable(run.session.Error()));
        CSettingsStore settings;
        settings.WriteInt("Ovantis", "LastStretchTopic", 207);
        settings.WriteInt("Preferences", "LastAppX", 100);
        settings.WriteInt("Preferences", "LastAppY", 80);

        auto viewer = run.Launch();
        QTRY_COMPARE_WITH_TIMEOUT(run.Title(), QString("Ovantis - Look Away"), kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(run.Position(), QPoint(100, 80), kWaitMs);
        QCOMPARE(run.Tool("xprop", {"-id", run.Window(), "WM_CLASS"}).section('"', 3, 3), QString("OvantisAppClass"));
        // Created, then activated on a routine.
        QTRY_VERIFY_WITH_TIMEOUT(run.codes.size() >= 2, kWaitMs);
        QCOMPARE(run.codes.mid(0, 2), (QList<uint>{5, 6}));

        // The routine animates: the picture changes over time.
        const QImage first = run.Shot();
        QVERIFY(!first.isNull());
        QTRY_VERIFY_WITH_TIMEOUT(run.Shot() != first, kWaitMs);

        // Another window in front: deactivated (7). A click into the view
        // activates it again (6, then 11).
        QProcess other;
        other.start("xmessage", {"-display", run.session.Display(), "in front"});
        QTRY_VERIFY_WITH_TIMEOUT(run.codes.contains(7u), kWaitMs);
        qsizetype mark = run.codes.size();
        run.ClickView(300, 200);
        QTRY_VERIFY_WITH_TIMEOUT(run.codes.mid(mark).contains(11u), kWaitMs);
        QCOMPARE(run.codes.mid(mark, 2), (QList<uint>{6, 11}));
        other.kill();
        other.waitForFinished();
        run.session.Run("xdotool", {"windowactivate", "--sync", run.Window()});

        // Keys: Page Down shows the next routine, which is remembered; Tab
        // reaches Prev and Enter runs it.
        run.Key("Next");
        QTRY_COMPARE_WITH_TIMEOUT(run.Title(), QString("Ovantis - Hand Shake-Out"), kWaitMs);
        QCOMPARE(run.Stored("Ovantis", "LastStretchTopic"), 208);
        run.Key("Tab");
        run.Key("Return");
        QTRY_COMPARE_WITH_TIMEOUT(run.Title(), QString("Ovantis - Look Away"), kWaitMs);
        // A click on Next: the routine changes and the controller hears 11.
        mark = run.codes.size();
        run.ClickView(490, 395);
        QTRY_COMPARE_WITH_TIMEOUT(run.Title(), QString("Ovantis - Hand Shake-Out"), kWaitMs);
        QVERIFY(run.CodesSince(mark).contains(11u));

        // What a screen reader finds: the page by its topic name, the list
        // by its value with its label, the buttons with their states, the
        // menu's check mark.
        const QString tree = run.Accessible();
        QVERIFY2(tree.contains(QRegularExpression("filler\\tHand Shake-Out\\t")), qPrintable(tree));
        QVERIFY2(tree.contains(QRegularExpression("combo box\\tHand Shake-Out\\tenabled\\tMore Stretches:")), qPrintable(tree));
        QVERIFY2(tree.contains(QRegularExpression("push button\\tPrev\\tenabled")), qPrintable(tree));
        // More routines follow the Hand Shake-Out, so Next stays enabled.
        QVERIFY2(tree.contains(QRegularExpression("push button\\tNext\\tenabled")), qPrintable(tree));
        QVERIFY2(tree.contains(QRegularExpression("check menu item\\t&?Hand Shake-Out\\t.*checked|menu item\\tHand Shake-Out\\t.*checked")),
                 qPrintable(tree));

        // The controller asks for a topic: only the low 16 bits count.
        QVERIFY(run.bus->Post(CBusBroadcast::ToApp, 1, (1 << 16) | 300));
        QTRY_COMPARE_WITH_TIMEOUT(run.Title(), QString("Ovantis - Why Stretch?"), kWaitMs);

        // A second start hands over to the first and ends without a window.
        auto second = run.Launch();
        QVERIFY(second->waitForFinished(kWaitMs));
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(run.Tool("xdotool", {"search", "--name", "^Ovantis - "}).split('\n').size(), 1);
        QCOMPARE(viewer->state(), QProcess::Running);

        // Ctrl+P: the print dialog, Enter prints to a PDF file.
        run.Key("ctrl+p");
        QTRY_VERIFY_WITH_TIMEOUT(!run.Tool("xdotool", {"search", "--name", "^Print"}).isEmpty(), kWaitMs);
        QTest::qWait(500);
        run.Key("Return");
        const QString pdf = run.home.Home() + "/Ovantis.pdf";
        QTRY_VERIFY_WITH_TIMEOUT(QFile(pdf).size() > 0, kWaitMs);
        QTest::qWait(500);
        QCOMPARE(QProcess::execute("pdftoppm", {"-png", "-r", "30", "-singlefile", pdf, run.home.Root() + "/page"}), 0);
        const QImage page(run.home.Root() + "/page.png");
        qint64 ink = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                ink += IsInk(page.pixel(x, y));
        QVERIFY2(ink > page.width() * page.height() / 10, qPrintable(QString::number(ink)));

        // "-Remove" ends the running viewer at once: no code 8, and the
        // position it read at start-up is written back.
        mark = run.codes.size();
        auto remove = run.Launch({"-Remove"});
        QVERIFY(remove->waitForFinished(kWaitMs));
        QVERIFY(viewer->waitForFinished(kWaitMs));
        QVERIFY(!run.CodesSince(mark).contains(8u));
        QCOMPARE(run.Stored("Preferences", "LastAppX"), 100);
        QCOMPARE(run.Stored("Preferences", "LastAppY"), 80);
        QCOMPARE(run.Stored("Ovantis", "LastStretchTopic"), 300);

        // A position off the screen centres the window; closing it saves
        // where it is and says 8.
        settings.WriteInt("Preferences", "LastAppX", 2000);
        mark = run.codes.size();
        viewer = run.Launch();
        QTRY_COMPARE_WITH_TIMEOUT(run.Title(), QString("Ovantis - Why Stretch?"), kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(run.Position(), QPoint((1024 - 640) / 2, (768 - 480) / 2), kWaitMs);
        // The code of its creation may come after the window shows.
        QTRY_VERIFY_WITH_TIMEOUT(run.codes.mid(mark).contains(5u), kWaitMs);
        mark = run.codes.size();
        run.ClickView(570, 395); // Exit
        QVERIFY(viewer->waitForFinished(kWaitMs));
        QCOMPARE(run.CodesSince(mark), QList<uint>{8}); // a reading topic: no 6 or 11
        QCOMPARE(run.Stored("Preferences", "LastAppX"), 192);
        QCOMPARE(run.Stored("Preferences", "LastAppY"), 144);

        // With no viewer running, "-remove" does nothing and opens nothing.
        auto idle = run.Launch({"-remove"});
        QVERIFY(idle->waitForFinished(kWaitMs));
        QVERIFY(run.Tool("xdotool", {"search", "--name", "^Ovantis - "}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(ViewerEndToEndTest)
#include "ViewerEndToEndTest.moc"
