// The tray icon's flashing, its menu and the reminder dialog, on the
// offscreen platform, with a content library made of hand-written records.
#include "CContentCatalog.h"
#include "CNtfyDialog.h"
#include "CStchIcon.h"
#include "ContentModule.h"
#include "FakeClock.h"
#include "ResourceBytes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace {

using Raw = ContentModule::RawResource;

std::vector<uint8_t> TrigHeader(const char code[4])
{
    return Bytes().U16(0).U8(0).U8(0).U32(0).Text(std::string(code, 4)).I16(0).b;
}
Raw List200(std::initializer_list<std::string> names)
{
    Bytes out;
    out.U16(uint16_t(names.size()));
    for (const std::string& name : names)
        out.U8(uint8_t(name.size())).Text(name);
    return {"STR#", 200, out.b};
}
std::vector<Raw> Routines(std::initializer_list<std::string> names)
{
    return {{"Trig", 200, TrigHeader("NECK")}, {"Trig", 201, TrigHeader("SHRG")}, List200(names)};
}

// The menu as text: one entry per item, "-" for a separator, "id text"
// with "(off)" for a greyed item and "*" for the default item.
QStringList Describe(QMenu& menu)
{
    QStringList out;
    for (QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            out << "-";
            continue;
        }
        out << QStringLiteral("%1 %2%3%4")
                   .arg(action->data().toInt())
                   .arg(action->text(), action->isEnabled() ? "" : " (off)", menu.defaultAction() == action ? " *" : "");
    }
    return out;
}

} // namespace

class TrayIconTest : public QObject {
    Q_OBJECT

private slots:
    // Frames as the tray shows them tick by tick (a tick is 100 ms): a new
    // frame every 200 ms through 143 144 145 146 146 145 144 143 and round
    // again; the normal icon within one tick once the flashing stops.
    void flashCadence()
    {
        CContentCatalog catalog;
        CStchIcon icon(catalog, {});
        icon.NormalIcon();
        QCOMPARE(icon.ShownIcon(), 142);
        QCOMPARE(icon.Tray().toolTip(), QStringLiteral("Right-click For Menu, Double-click to Activate Stretch"));
        for (int size : {16, 22, 24, 32})
            QVERIFY2(icon.Tray().icon().availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));

        FakeClock clock(0);
        QList<int> shown;
        QList<uint64_t> changedAt;
        auto tick = [&](bool flashing, int count) {
            for (int i = 0; i < count; ++i) {
                clock.AdvanceMs(100);
                const int before = icon.ShownIcon();
                icon.Tick(flashing);
                shown << icon.ShownIcon();
                if (icon.ShownIcon() != before)
                    changedAt << clock.NowMs();
            }
        };
        tick(true, 20);
        tick(false, 1);
        tick(true, 3);
        QCOMPARE(shown, (QList<int>{142, 143, 143, 144, 144, 145, 145, 146, 146, 146, 146, 145, 145, 144, 144, 143,
                                    143, 143, 143, 144, 142, 142, 143, 143}));
        QCOMPARE(changedAt, (QList<uint64_t>{200, 400, 600, 800, 1200, 1400, 1600, 2000, 2100, 2300}));
        QCOMPARE(icon.Tray().toolTip(), QStringLiteral("Right-click For Menu, Double-click to Activate Stretch"));
        icon.ShowIcon(0);
        QCOMPARE(icon.ShownIcon(), 0);
        QVERIFY(!icon.Tray().isVisible());
    }

    // The menu's items, ids, greyed items and default item; rebuilt with the
    // state of the moment each time it is about to show; the chosen command
    // goes to the main frame.
    void menu()
    {
        ScopedContentLibrary library(ContentModule::FromResources(Routines({"Neck Roll", "Caf\xE9 Shrug"})));
        CContentCatalog catalog;
        bool pending = false;
        QList<int> commands;
        CStchIcon::Handlers handlers;
        handlers.isEnabled = [&](int id) { return id < 1501 || id > 1504 || pending; };
        handlers.command = [&](int id) { commands << id; };
        CStchIcon icon(catalog, handlers);
        QMenu& menu = icon.Menu();
        emit menu.aboutToShow();
        const QStringList idle = {"1500 Stretch &Now *", "1501 &Don't Stretch Now (off)", "-",
                                  "1502 Delay Stretch &5 Min (off)", "1503 Delay Stretch &10 Min (off)",
                                  "1504 Delay Stretch 15 &Min (off)", "-", "1200 Neck Roll",
                                  QStringLiteral("1201 Caf\u00E9 Shrug"), "-", "1514 Preferences"};
        QCOMPARE(Describe(menu), idle);

        pending = true;
        emit menu.aboutToShow();
        QStringList offered = idle;
        for (QString& item : offered)
            item.remove(" (off)");
        QCOMPARE(Describe(menu), offered);
        for (QAction* action : menu.actions()) {
            if (action->data().toInt() == 1503 || action->data().toInt() == 1201)
                action->trigger();
        }
        QCOMPARE(commands, (QList<int>{1503, 1201}));
    }

    void menuFailure_data()
    {
        QTest::addColumn<int>("names");
        QTest::newRow("one name for two routines") << 1;
        QTest::newRow("three names for two routines") << 3;
        QTest::newRow("no list") << 0;
    }
    // A list that does not count the routines leaves the tray without a
    // menu and the double-click without effect.
    void menuFailure()
    {
        QFETCH(int, names);
        std::vector<Raw> resources = {{"Trig", 200, TrigHeader("NECK")}, {"Trig", 201, TrigHeader("SHRG")}};
        if (names == 1)
            resources.push_back(List200({"A"}));
        if (names == 3)
            resources.push_back(List200({"A", "B", "C"}));
        ScopedContentLibrary library(ContentModule::FromResources(resources));
        CContentCatalog catalog;
        QMenu menu;
        menu.addAction("left over");
        QVERIFY(!CStchIcon::BuildMenu(menu, catalog, {}));
        QVERIFY(menu.actions().isEmpty());
    }

    void dialog_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("result");
        QTest::newRow("OK as offered") << "ok" << 1001;
        QTest::newRow("Don't Stretch Now") << "1002" << 1002;
        QTest::newRow("Delay 5") << "1003" << 1003;
        QTest::newRow("Delay 10") << "1004" << 1004;
        QTest::newRow("Delay 15") << "1005" << 1005;
        QTest::newRow("Escape") << "escape" << 2;
        QTest::newRow("close request") << "cancel" << 2;
        QTest::newRow("unanswered") << "wait" << 2;
    }
    // The dialog's texts and window, and what each answer returns; an
    // unanswered dialog closes itself (after 300 ms here, a minute in use).
    void dialog()
    {
        QFETCH(QString, answer);
        QFETCH(int, result);
        // Only the unanswered dialog closes itself within the test.
        CNtfyDialog dialog(answer == "wait" ? 300 : CNtfyDialog::kCloseAfterMs);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Ovantis"));
        const Qt::WindowFlags flags = dialog.windowFlags();
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QVERIFY(!(flags & Qt::WindowSystemMenuHint) && !(flags & Qt::WindowCloseButtonHint));
        QStringList labels, radios;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            labels << label->text();
        for (QRadioButton* radio : dialog.findChildren<QRadioButton*>())
            radios << radio->text();
        QCOMPARE(labels, (QStringList{"Do you have time to Stretch?", "This window will close automatically after 1 minute"}));
        QCOMPARE(radios, (QStringList{"Stretch &Now", "&Don't Stretch Now", "Delay Stretch &5 Min",
                                      "Delay Stretch &10 Min", "Delay Stretch 15 &Min"}));

        bool focusOnFirst = false;
        QTimer::singleShot(50, &dialog, [&] {
            QRadioButton* first = dialog.findChildren<QRadioButton*>().value(0);
            focusOnFirst = QTest::qWaitFor([&] { return QApplication::focusWidget() == first; }, 5000);
            if (answer == "ok") {
                QTest::keyClick(&dialog, Qt::Key_Return);
            } else if (answer == "escape") {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            } else if (answer == "cancel") {
                dialog.Cancel();
            } else if (answer != "wait") {
                // The arrow keys move the check along the choices.
                for (int i = 1001; i < answer.toInt(); ++i)
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
                QTest::keyClick(&dialog, Qt::Key_Return);
            }
        });
        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(dialog.Run(), result);
        QVERIFY(focusOnFirst);
        if (answer == "wait")
            QVERIFY(elapsed.elapsed() >= 285); // a coarse timer may fire 5 % early
    }
};

QTEST_MAIN(TrayIconTest)
#include "TrayIconTest.moc"
