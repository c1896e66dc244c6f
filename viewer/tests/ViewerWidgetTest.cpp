#include "BusNames.h"
#include "CAboutDlg.h"
#include "CBusBroadcast.h"
#include "CMainFrame.h"
#include "CMoreList.h"
#include "CSettingsStore.h"
#include "CStretchApp.h"
#include "CStretchView.h"
#include "CTabButton.h"
#include "CommandListener.h"
#include "ContentModule.h"
#include "DesktopSession.h"
#include "HelpTarget.h"
#include "StrList.h"
#include "TestHome.h"
#include "ViewerIds.h"
#include "Windows1252.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPdfWriter>
#include <QProcess>
#include <QTimer>
#include <QTest>
#include <climits>
#include <memory>

namespace {

// One viewer in this process on a private bus, the controller's name owned
// by a stand-in so that start-up asks nothing.
struct Viewer {
    TestHome home;
    DesktopSession session;
    std::unique_ptr<CommandListener> controller;
    std::unique_ptr<CBusBroadcast> heard;
    QList<uint> codes;
    std::unique_ptr<CStretchApp> app;
    QString suffix; // connection names are per process: one set per viewer

    bool Start(const QByteArray& lastTopic = {})
    {
        DesktopSession::Options options;
        options.x11 = false;
        if (!session.Start(options))
            return false;
        qputenv("OVANTIS_RESOURCE_PATH", QFile::encodeName(BinaryPath("bin")));
        static int serial = 0;
        suffix = QString::number(++serial);
        controller = std::make_unique<CommandListener>(session.BusAddress(), "controller" + suffix);
        if (!controller->Own(QString("org.halvornpress.") + BusNames::kControllerClass))
            return false;
        heard = std::make_unique<CBusBroadcast>(QDBusConnection::connectToBus(session.BusAddress(), "heard" + suffix));
        heard->Listen(CBusBroadcast::ToCtrl);
        QObject::connect(heard.get(), &CBusBroadcast::Received, [this](CBusBroadcast::Message, uint w, int) { codes.append(w); });
        if (!lastTopic.isNull())
            CSettingsStore().WriteString("Ovantis", "LastStretchTopic", lastTopic);
        app = std::make_unique<CStretchApp>();
        if (!app->InitInstance({"stretch"}))
            return false;
        return QTest::qWaitForWindowExposed(app->Frame());
    }
    ~Viewer()
    {
        app.reset();
        heard.reset();
        controller.reset();
        for (const char* name : {"heard", "sender"})
            QDBusConnection::disconnectFromBus(QLatin1String(name) + suffix);
    }
    CMainFrame* Frame() const { return app->Frame(); }
    CStretchView* View() const { return app->View(); }
    QList<int> Checked() const
    {
        QList<int> ids;
        for (QAction* top : Frame()->menuBar()->actions())
            for (QAction* item : top->menu()->actions())
                if (item->isChecked())
                    ids.append(item->data().toInt());
        return ids;
    }
    QStringList ListRows() const
    {
        QStringList rows;
        for (int i = 0; i < View()->MoreList()->count(); ++i)
            rows << View()->MoreList()->itemText(i);
        return rows;
    }
    int StoredTopic() const { return CSettingsStore().ReadInt("Ovantis", "LastStretchTopic", -99); }
};

// The shipped module, read from its file apart from the viewer, so the
// tests follow the library as it grows.
std::shared_ptr<const ContentModule> ShippedModule()
{
    static const auto module =
        ContentModule::FromFile(QFile::encodeName(BinaryPath("bin/OvantisRes.dll")).toStdString());
    return module;
}

QStringList ShippedNames(uint16_t id)
{
    QStringList names;
    const auto module = ShippedModule();
    if (const PeResources::Entry* entry = module ? module->Find("STR#", id) : nullptr) {
        const StrList list = StrList::FromBytes(entry->data);
        for (const std::string& name : list.Entries())
            names << FromWindows1252(name);
    }
    return names;
}

// The routines' names ("More" list) and the last routine, 200 + its position.
const QStringList kRoutines = ShippedNames(201);
const int kLastRoutine = 200 + int(kRoutines.size()) - 1;

// The reading topics: their "More" list names and the menu command of the
// last one in the Topics menu (not every topic is in the menu).
struct ReadingTopics {
    QStringList names;
    int lastMenuCommand = 0;
};
const ReadingTopics& ModuleTopics()
{
    static const ReadingTopics topics = [] {
        ReadingTopics read;
        read.names = ShippedNames(301);
        const auto module = ShippedModule();
        for (int id = 300; const PeResources::Entry* trig = module ? module->Find("Trig", id) : nullptr; ++id)
            if (trig->data.size() > 2 && (trig->data[2] & 1))
                read.lastMenuCommand = id + 1000;
        return read;
    }();
    return topics;
}

bool IsInk(QRgb pixel)
{
    return (pixel & 0xFFFFFF) != 0xFFFFFF;
}

// The rectangle that holds every pixel that is not white.
QRect InkBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (IsInk(image.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

// Share of the pixels in `box` that are not white.
double InkShare(const QImage& image, const QRect& box)
{
    qint64 ink = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            ink += IsInk(image.pixel(x, y));
    return box.isEmpty() ? 0 : double(ink) / double(box.width() * box.height());
}

} // namespace

class ViewerWidgetTest : public QObject {
    Q_OBJECT

private slots:
    void StartsOnTheTopicLastShown_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("topic");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QList<int>>("checked");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("prev");
        QTest::addColumn<bool>("next");
        const QStringList topics = ModuleTopics().names;
        QVERIFY(topics.size() >= 2 && ModuleTopics().lastMenuCommand > 1300);
        const QList<int> why{1300};
        QTest::newRow("missing") << QByteArray() << 300 << "Ovantis - Why Stretch?" << why << topics << 0 << false << true;
        QTest::newRow("0") << QByteArray("0") << 300 << "Ovantis - Why Stretch?" << why << topics << 0 << false << true;
        QTest::newRow("150") << QByteArray("150") << 300 << "Ovantis - Why Stretch?" << why << topics << 0 << false << true;
        QTest::newRow("400") << QByteArray("400") << 300 << "Ovantis - Why Stretch?" << why << topics << 0 << false << true;
        QTest::newRow("999") << QByteArray("999") << 300 << "Ovantis - Why Stretch?" << why << topics << 0 << false << true;
        QTest::newRow("not a number") << QByteArray("2O1") << 300 << "Ovantis - Why Stretch?" << why << topics << 0 << false << true;
        QVERIFY(kRoutines.size() >= 9 && kRoutines.startsWith("Neck Roll"));
        QTest::newRow("last routine") << QByteArray::number(kLastRoutine) << kLastRoutine << "Ovantis - " + kRoutines.last()
                                      << QList<int>{1000 + kLastRoutine} << kRoutines << int(kRoutines.size()) - 1 << true << false;
        // A routine the library does not hold: the nearest lower item is
        // checked, the title has no name, and the page stays empty (topic 0).
        QTest::newRow("routine not in the library") << QByteArray("250") << 0 << "Ovantis - " << QList<int>{1000 + kLastRoutine} << kRoutines << -1 << true << false;
        QTest::newRow("reading topic past the last") << QByteArray::number(300 + topics.size()) << 0 << "Ovantis - "
                                                     << QList<int>{ModuleTopics().lastMenuCommand} << topics << int(topics.size() - 1) << true << false;
    }
    void StartsOnTheTopicLastShown()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, topic);
        Viewer v;
        QVERIFY(v.Start(stored));
        QTRY_VERIFY(v.View()->CurrentTopic() == topic && (topic == 0) != (v.View()->Player() != nullptr));
        QTEST(v.Frame()->windowTitle(), "title");
        QTEST(v.Checked(), "checked");
        QTEST(v.ListRows(), "rows");
        QTEST(v.View()->MoreList()->currentIndex(), "row");
        QTEST(v.View()->Button(ViewerIds::kPrev)->isEnabled(), "prev");
        QTEST(v.View()->Button(ViewerIds::kNext)->isEnabled(), "next");
        QCOMPARE(v.View()->accessibleName(), v.Frame()->windowTitle().mid(10));
        // The frame told the controller it is there.
        QTRY_COMPARE(v.codes.value(0), uint(5));
    }

    void NavigatesByButtonsKeysMenusListAndBus()
    {
        Viewer v;
        const int before = kLastRoutine - 1;
        QVERIFY(v.Start(QByteArray::number(before)));
        CStretchView* view = v.View();
        QTRY_VERIFY(view->Player());
        QCOMPARE(v.Checked(), QList<int>{1000 + before});

        view->OnCommand(ViewerIds::kNext);
        QCOMPARE(view->CurrentTopic(), kLastRoutine);
        QCOMPARE(v.StoredTopic(), kLastRoutine);
        QCOMPARE(v.Checked(), QList<int>{1000 + kLastRoutine});
        QCOMPARE(v.Frame()->windowTitle(), "Ovantis - " + kRoutines.last());
        QVERIFY(!view->Button(ViewerIds::kNext)->isEnabled());
        view->OnCommand(ViewerIds::kNext); // at the end: nothing
        QCOMPARE(view->CurrentTopic(), kLastRoutine);

        // Paging keys typed on a button run Prev and Next.
        QTest::keyClick(view->Button(ViewerIds::kExitButton), Qt::Key_PageUp);
        QCOMPARE(view->CurrentTopic(), before);
        QTest::keyClick(view->Button(ViewerIds::kExitButton), Qt::Key_Right);
        QCOMPARE(view->CurrentTopic(), kLastRoutine);

        // The Topics menu: the list now offers reading topics.
        v.Frame()->OnCommand(1301);
        QCOMPARE(v.ListRows(), ModuleTopics().names);
        QCOMPARE(view->MoreList()->currentIndex(), 1);
        QCOMPARE(v.Checked(), QList<int>{1301});
        QTRY_VERIFY(view->Player());
        CTopicPlayer* player = view->Player();
        v.Frame()->OnCommand(1301); // already shown: not even the player changes
        QCOMPARE(view->Player(), player);

        // The "More" list: choosing a row shows it.
        view->MoreList()->setCurrentIndex(0);
        emit view->MoreList()->activated(0);
        QCOMPARE(view->CurrentTopic(), 300);

        // "OvantisToAppMsg" 1: only the low 16 bits name the topic. Our own
        // "OvantisToCtrlMsg" comes back and is ignored; the marker that
        // follows shows the broadcasts were handled in order.
        CBusBroadcast bus(QDBusConnection::connectToBus(v.session.BusAddress(), "sender" + v.suffix));
        QVERIFY(bus.Post(CBusBroadcast::ToApp, 1, (1 << 16) | 201));
        QVERIFY(bus.Post(CBusBroadcast::ToCtrl, 1, 300));
        QVERIFY(bus.Post(CBusBroadcast::ToApp, 7, 0)); // unknown: ignored
        QTRY_COMPARE(view->CurrentTopic(), 201);
        QVERIFY(bus.Post(CBusBroadcast::ToApp, 1, 301));
        QTRY_COMPARE(view->CurrentTopic(), 301);
        QCOMPARE(v.StoredTopic(), 301);

        // Exit closes the frame: code 8 follows code 5, and nothing in between
        // (no routine activation on the offscreen platform comes with 11).
        view->OnCommand(ViewerIds::kExitButton);
        QTRY_VERIFY(!v.Frame()->isVisible());
        QTRY_COMPARE(v.codes.value(v.codes.size() - 1), uint(8));
        QCOMPARE(v.codes.first(), uint(5));
    }

    void TabSkipsDisabledButtonsAndMovesTheDefault()
    {
        Viewer v;
        QVERIFY(v.Start("300"));
        CStretchView* view = v.View();
        QApplication::setActiveWindow(v.Frame());
        QVERIFY(QTest::qWaitForWindowActive(v.Frame()));
        CMoreList* list = view->MoreList();
        CTabButton* prev = view->Button(ViewerIds::kPrev);
        CTabButton* next = view->Button(ViewerIds::kNext);
        CTabButton* exit = view->Button(ViewerIds::kExitButton);
        QTRY_VERIFY(list->hasFocus());
        QCOMPARE(view->DefaultButton(), exit);
        QVERIFY(exit->isDefault());

        struct Step {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            QWidget* focus;
            CTabButton* defaultButton;
        };
        const Step steps[] = {
            {Qt::Key_Tab, Qt::NoModifier, next, next},        // Prev is disabled on the first topic
            {Qt::Key_Tab, Qt::NoModifier, exit, exit},
            {Qt::Key_Tab, Qt::NoModifier, list, exit},        // wraps; the list leaves Exit the default
            {Qt::Key_Backtab, Qt::ShiftModifier, exit, exit}, // Shift+Tab from the list
            {Qt::Key_Backtab, Qt::ShiftModifier, next, next},
        };
        for (const Step& s : steps) {
            QTest::keyClick(QApplication::focusWidget(), s.key, s.modifiers);
            QCOMPARE(QApplication::focusWidget(), s.focus);
            QCOMPARE(view->DefaultButton(), s.defaultButton);
            QVERIFY(s.defaultButton->isDefault());
            for (CTabButton* b : {prev, next, exit})
                QCOMPARE(b->isDefault(), b == s.defaultButton);
        }
        // Enter runs the default button: Next.
        QTest::keyClick(next, Qt::Key_Return);
        QCOMPARE(view->CurrentTopic(), 301);
        QVERIFY(prev->isEnabled());
        // Enter in the list runs Exit.
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_VERIFY(!v.Frame()->isVisible());
    }

    void PrintedPageShowsTheTopic()
    {
        Viewer v;
        QVERIFY(v.Start("200"));
        QTRY_VERIFY(v.View()->Player());
        const QString pdf = v.home.Root() + "/page.pdf";
        {
            QPdfWriter writer(pdf);
            writer.setResolution(72);
            QVERIFY(v.View()->PrintTo(&writer));
        }
        // Rendered by poppler, not by us.
        QCOMPARE(QProcess::execute("pdftoppm", {"-png", "-r", "36", "-singlefile", pdf, v.home.Root() + "/page"}), 0);
        QImage page(v.home.Root() + "/page.png");
        if (qEnvironmentVariableIsSet("VIEWER_TEST_KEEP")) page.save(qEnvironmentVariable("VIEWER_TEST_KEEP"));
        QVERIFY(!page.isNull());
        // The page shows the topic as the screen does: a picture of the
        // view's shape (the tiled paper fills it, the controls' places stay
        // blank), not an empty sheet.
        const QRect box = InkBox(page);
        QVERIFY(!box.isEmpty());
        QVERIFY2(qAbs(double(box.width()) / box.height() - 634.0 / 436.0) < 0.08,
                 qPrintable(QString("%1 x %2").arg(box.width()).arg(box.height())));
        QVERIFY2(InkShare(page, box) > 0.8, qPrintable(QString::number(InkShare(page, box))));
    }

    void AboutBoxPlaysItsTopicAndClosesOnAKey()
    {
        Viewer v;
        QVERIFY(v.Start("300"));
        QString title;
        QSize size;
        double ink = 0;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
            if (!box)
                return;
            title = box->windowTitle();
            size = box->size();
            // The tick thread plays topic 400 into the box (a blank box has
            // no ink at all).
            [[maybe_unused]] const bool drawn = QTest::qWaitFor([&] {
                const QImage shown = box->grab().toImage();
                ink = InkShare(shown, shown.rect());
                return ink > 0.2;
            }, 10000);
            QTest::keyClick(box, Qt::Key_Space);
            if (box->isVisible())
                box->reject(); // never leave the test hanging in the modal loop
        });
        v.Frame()->OnCommand(ViewerIds::kAbout); // returns when the box has closed
        QCOMPARE(title, QString("About Ovantis"));
        QCOMPARE(size, QSize(496, 284));
        QVERIFY2(ink > 0.2, qPrintable(QString::number(ink)));
        QVERIFY(!QApplication::activeModalWidget());
        // Ticks go on without the box.
        QTest::qWait(120);
        QVERIFY(v.View()->Player());
    }

    void PositionRules_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<QPoint>("expected");
        const QPoint centre(192, 144); // 1024 x 768 screen, 640 x 480 window
        QTest::newRow("none saved") << -1 << -1 << centre;
        QTest::newRow("saved") << 100 << 80 << QPoint(100, 80);
        QTest::newRow("touches the right and bottom edges") << 384 << 288 << QPoint(384, 288);
        QTest::newRow("one pixel off the right") << 385 << 0 << centre;
        QTest::newRow("one pixel off the bottom") << 0 << 289 << centre;
        QTest::newRow("x negative") << -5 << 10 << centre;
        QTest::newRow("huge x does not wrap") << INT_MAX << 0 << centre;
    }
    void PositionRules()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QTEST(CMainFrame::InitialPosition(x, y, QSize(640, 480), QSize(1024, 768)), "expected");
    }

    void HelpTargetsResolve()
    {
        TestHome home;
        const QString module = home.Root() + "/module", docs = home.Root() + "/docs";
        QDir().mkpath(module + "/guide");
        QDir().mkpath(docs);
        for (const QString& f : {module + "/guide/start.html", docs + "/manual.pdf", docs + "/start.html"}) {
            QFile file(f);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QStringList dirs{module, docs};
        struct Row {
            QString target;
            QString url; // empty: not found
        };
        const Row rows[] = {
            {"https://www.halvornpress.example/stretch/tips", "https://www.halvornpress.example/stretch/tips"},
            {"mailto:help@example.org", "mailto:help@example.org"},
            {"guide/start.html", QUrl::fromLocalFile(module + "/guide/start.html").toString()},
            {"guide\\start.html", QUrl::fromLocalFile(module + "/guide/start.html").toString()},
            {"manual.pdf", QUrl::fromLocalFile(docs + "/manual.pdf").toString()}, // only installed
            {"start.html", QUrl::fromLocalFile(docs + "/start.html").toString()},
            {docs + "/manual.pdf", QUrl::fromLocalFile(docs + "/manual.pdf").toString()},
            {QUrl::fromLocalFile(docs + "/manual.pdf").toString(), QUrl::fromLocalFile(docs + "/manual.pdf").toString()},
            {"missing.html", {}},
            {docs + "/missing.pdf", {}},
            {"C:\\Ovantis\\readme.txt", {}},
            {"", {}},
        };
        for (const Row& row : rows) {
            const HelpTarget resolved = ResolveHelpTarget(row.target, dirs);
            QCOMPARE(resolved.shellError, row.url.isEmpty() ? ShellError::kFileNotFound : 0);
            QCOMPARE(resolved.url.toString(), row.url);
        }
        QCOMPARE(ShellErrorText(ShellError::kFileNotFound), QString("The specified file was not found."));
        QVERIFY(ShellErrorText(33).isEmpty());
    }
};

QTEST_MAIN(ViewerWidgetTest)
#include "ViewerWidgetTest.moc"
