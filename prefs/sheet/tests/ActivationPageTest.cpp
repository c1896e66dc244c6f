#include "CActivationDlg.h"
#include "CClockControl.h"
#include "CNotificationDlg.h"
#include "CSettingsStore.h"
#include "CStchPrefsDlg.h"
#include "ClockFaceGeometry.h"
#include "TestHome.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace {

// Answers every message box that comes up with `button` and keeps its text.
class BoxAnswerer : public QObject {
public:
    explicit BoxAnswerer(QMessageBox::StandardButton button) : m_button(button)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->button(m_button)->click();
            }
        });
        m_timer.start(5);
    }
    QStringList texts;

private:
    QMessageBox::StandardButton m_button;
    QTimer m_timer;
};

// Services that keep the controller posts as "code lParam"; `onPost` runs
// at each post.
PrefsServices Posting(QStringList* posts, std::function<void()> onPost = {})
{
    PrefsServices services;
    services.postToCtrl = [posts, onPost](unsigned code, int lParam) {
        *posts << QStringLiteral("%1 %2").arg(code).arg(lParam);
        if (onPost)
            onPost();
    };
    services.enableHotKey = [](int) {};
    services.setHotKey = [](int, int, int, int) {};
    return services;
}

// Shows the sheet; its first page.
CActivationDlg* Show(CStchPrefsDlg& sheet)
{
    sheet.show();
    if (!QTest::qWaitForWindowExposed(&sheet))
        return nullptr;
    return sheet.findChild<CActivationDlg*>();
}

template <typename T>
T* Named(QWidget* parent, const QString& text)
{
    for (T* widget : parent->findChildren<T*>())
        if (widget->text().remove(QLatin1Char('&')) == text)
            return widget;
    return nullptr;
}

QGroupBox* PanelBox(QWidget* page)
{
    for (QGroupBox* box : page->findChildren<QGroupBox*>())
        if (box->title() != QLatin1String("Method"))
            return box;
    return nullptr;
}

// The stored text of every activation value, missing ones left out.
QMap<QString, QByteArray> StoredGroup(const CSettingsStore& store)
{
    QMap<QString, QByteArray> stored;
    for (const SettingValue* value : Settings::Group(SettingGroup::Activation))
        if (const auto bytes = store.ReadStored(value->section, value->name))
            stored.insert(value->name, *bytes);
    return stored;
}

QPoint MarkCentre(const CClockControl& clock, int mark) { return clock.Geometry().MarkRect(mark).center(); }

// One pixel of the mark picture file itself, for the sprite of `column`.
QRgb SpritePixel(int column, bool hour)
{
    static const QImage strip(SourcePath("resources/pictures/bitmap-140.png"));
    // Inside each disc, clear of its outline and of the "set" dot.
    return strip.pixel(column * 13 + (hour ? 3 : 4), hour ? 6 : 19) & 0xffffff;
}

QRgb DrawnPixel(CClockControl& clock, int mark)
{
    const QImage shot = clock.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect rect = clock.Geometry().MarkRect(mark);
    return shot.pixel(rect.topLeft() + QPoint(ClockFaceGeometry::IsHourMark(mark) ? 3 : 4, 6)) & 0xffffff;
}

int RedPixelsInTimeText(CClockControl& clock)
{
    const QImage shot = clock.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int red = 0;
    const QRect rect = clock.Geometry().TimeRect();
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
        }
    return red;
}

} // namespace

class ActivationPageTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_home = std::make_unique<TestHome>(); }
    void cleanup() { m_home.reset(); }

    // Values worked out from the face's layout: centre (135, 135), the ring
    // from 30 to 113 pixels, 7.5 degrees a mark clockwise from twelve.
    void HitTestAndTime_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("mark");
        QTest::addColumn<QString>("time");
        QTest::newRow("29 px from the centre") << QPoint(135, 164) << -1 << "     ";
        QTest::newRow("30 px from the centre") << QPoint(135, 165) << 24 << " 6:00";
        QTest::newRow("113 px, the ring's edge") << QPoint(135, 248) << 24 << " 6:00";
        QTest::newRow("114 px, beyond the ring") << QPoint(135, 249) << -1 << "     ";
        QTest::newRow("diagonal beyond the ring") << QPoint(215, 215) << -1 << "     ";
        QTest::newRow("3 o'clock") << QPoint(227, 135) << 12 << " 3:00";
        QTest::newRow("3.73 degrees above 3 o'clock") << QPoint(227, 129) << 12 << " 3:00";
        QTest::newRow("4.35 degrees above: 2:45") << QPoint(227, 128) << 11 << " 2:45";
        QTest::newRow("twelve exactly") << QPoint(135, 40) << 0 << "12:00";
        QTest::newRow("twelve from the left") << QPoint(134, 40) << 0 << "12:00";
        QTest::newRow("twelve from the right") << QPoint(136, 40) << 0 << "12:00";
        QTest::newRow("9 o'clock") << QPoint(43, 135) << 36 << " 9:00";
        QTest::newRow("11:45") << QPoint(125, 59) << 47 << "11:45";
        QTest::newRow("10:15") << QPoint(72, 86) << 41 << "10:15";
    }
    void HitTestAndTime()
    {
        QFETCH(QPoint, at);
        QFETCH(int, mark);
        QFETCH(QString, time);
        const ClockFaceGeometry face(QSize(269, 269));
        QCOMPARE(face.HitTest(at.x(), at.y()), mark);
        QCOMPARE(ClockFaceGeometry::TimeText(mark), time);
    }

    void FaceLayout()
    {
        const ClockFaceGeometry face(QSize(269, 269));
        QCOMPARE(face.Centre(), QPoint(135, 135));
        QCOMPARE(face.OuterRadiusSquared(), 113 * 113);
        QCOMPARE(face.TimeAnchor(), QPoint(135, 177));
        QCOMPARE(face.TimeRect(), QRect(110, 167, 50, 20));
        // 92 pixels out from the centre, less half the 13-pixel mark.
        QCOMPARE(face.MarkRect(0), QRect(129, 36, 13, 13));
        QCOMPARE(face.MarkRect(6), QRect(194, 63, 13, 13));
        QCOMPARE(face.MarkRect(12), QRect(221, 128, 13, 13));
        QCOMPARE(face.MarkRect(24), QRect(129, 220, 13, 13));
        QCOMPARE(face.MarkRect(36), QRect(37, 128, 13, 13));
        // Every mark's own centre hits that mark.
        for (int s = 0; s < 48; ++s) {
            const QPoint c = face.MarkRect(s).center();
            QCOMPARE(face.HitTest(c.x(), c.y()), s);
        }
    }

    // The mouse on the real control: what is drawn for each state, which
    // mark a click toggles, and the time text.
    void ClockMouse()
    {
        CClockControl clock;
        QVERIFY(clock.Init());
        clock.show();
        QVERIFY(QTest::qWaitForWindowExposed(&clock));
        clock.clearFocus(); // the keyboard's mark would show its time
        QSignalSpy changed(&clock, &CClockControl::MarksChanged);
        QCOMPARE(DrawnPixel(clock, 12), SpritePixel(0, true));
        QCOMPARE(DrawnPixel(clock, 13), SpritePixel(0, false));
        QCOMPARE(RedPixelsInTimeText(clock), 0);

        // Pressed on 3:00, released on 3:15: only 3:15 toggles.
        QTest::mouseMove(&clock, MarkCentre(clock, 12));
        QCOMPARE(DrawnPixel(clock, 12), SpritePixel(2, true));
        QVERIFY(RedPixelsInTimeText(clock) > 10);
        QTest::mousePress(&clock, Qt::LeftButton, {}, MarkCentre(clock, 12));
        QCOMPARE(DrawnPixel(clock, 12), SpritePixel(4, true));
        QCOMPARE(clock.TimeText(), QStringLiteral(" 3:00"));
        QTest::mouseRelease(&clock, Qt::LeftButton, {}, MarkCentre(clock, 13));
        QVERIFY(!clock.IsMarkSet(12));
        QVERIFY(clock.IsMarkSet(13));
        QCOMPARE(clock.TimeText(), QStringLiteral(" 3:15"));
        QCOMPARE(DrawnPixel(clock, 13), SpritePixel(3, false));
        QCOMPARE(DrawnPixel(clock, 12), SpritePixel(0, true));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.last().at(0).value<ClockMarks>(), (ClockMarks{0, 0x04, 0, 0, 0, 0}));

        // Near the centre nothing toggles and no time shows.
        QTest::mouseClick(&clock, Qt::LeftButton, {}, QPoint(135, 160));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(clock.HoverMark(), -1);
        QCOMPARE(RedPixelsInTimeText(clock), 0);
        QCOMPARE(DrawnPixel(clock, 13), SpritePixel(1, false));
        // Pressed on a set mark.
        QTest::mousePress(&clock, Qt::LeftButton, {}, MarkCentre(clock, 13));
        QCOMPARE(DrawnPixel(clock, 13), SpritePixel(5, false));
        QTest::mouseRelease(&clock, Qt::LeftButton, {}, MarkCentre(clock, 13));
        QVERIFY(!clock.HasMarks());
        QCOMPARE(changed.count(), 2);

        // Without its pictures the control is inert.
        CClockControl inert;
        QVERIFY(!inert.Init(QImage(), QImage(78, 26, QImage::Format_RGB32), QImage(13, 26, QImage::Format_RGB32)));
        QSignalSpy inertChanged(&inert, &CClockControl::MarksChanged);
        QTest::mouseClick(&inert, Qt::LeftButton, {}, QPoint(227, 135));
        QCOMPARE(inertChanged.count(), 0);
        QCOMPARE(QAccessible::queryAccessibleInterface(&inert)->childCount(), 0);
    }

    // Each mark is a check box named by its time; the keyboard walks the
    // marks and Space toggles one; the accessible action toggles too.
    void ClockKeyboardAndAccessibility()
    {
        CClockControl clock;
        QVERIFY(clock.Init());
        clock.show();
        QVERIFY(QTest::qWaitForWindowExposed(&clock));
        QSignalSpy changed(&clock, &CClockControl::MarksChanged);
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&clock);
        QVERIFY(face);
        QCOMPARE(face->text(QAccessible::Name), QStringLiteral("Clock Control"));
        QCOMPARE(face->childCount(), 48);
        QAccessibleInterface* three = face->child(12);
        QCOMPARE(three->text(QAccessible::Name), QStringLiteral("3:00"));
        QCOMPARE(face->child(0)->text(QAccessible::Name), QStringLiteral("12:00"));
        QCOMPARE(three->role(), QAccessible::CheckBox);
        QVERIFY(three->state().checkable && !three->state().checked);
        QCOMPARE(face->indexOfChild(three), 12);
        QCOMPARE(three->parent(), face);

        three->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(clock.IsMarkSet(12));
        QVERIFY(three->state().checked);
        QCOMPARE(changed.count(), 1);

        clock.setFocus();
        QVERIFY(clock.hasFocus());
        QTest::keyClick(&clock, Qt::Key_End);
        QCOMPARE(clock.KeyboardMark(), 47);
        QCOMPARE(clock.TimeText(), QStringLiteral("11:45"));
        QTest::keyClick(&clock, Qt::Key_Space);
        QTest::keyClick(&clock, Qt::Key_Right); // round past twelve
        QCOMPARE(clock.KeyboardMark(), 0);
        QTest::keyClick(&clock, Qt::Key_PageDown);
        QTest::keyClick(&clock, Qt::Key_Left);
        QCOMPARE(clock.KeyboardMark(), 3);
        QCOMPARE(face->focusChild(), face->child(3));
        QVERIFY(face->child(3)->state().focused);
        QTest::keyClick(&clock, Qt::Key_Space);
        QCOMPARE(changed.count(), 3);
        QCOMPARE(clock.Marks(), (ClockMarks{0x10, 0x08, 0, 0, 0, 0x01}));
        QCOMPARE(face->text(QAccessible::Value), QStringLiteral("12:45, 3:00, 11:45"));
        const QRect rect = face->child(12)->rect();
        QCOMPARE(face->childAt(rect.center().x(), rect.center().y()), face->child(12));
    }

    // Load, the clock panel, the refused OK, marks by mouse, apply and the
    // whole group stored before the broadcast, then nothing more to write.
    void ClockTimesLoadedModifiedApplied()
    {
        CSettingsStore store;
        store.WriteInt(Settings::kActivationInterval, 6);
        store.WriteInt(Settings::kActivationCustomKeys, 20); // out of range: kept, never repaired
        QStringList posts;
        QMap<QString, QByteArray> atBroadcast;
        CStchPrefsDlg sheet(store, Posting(&posts, [&] { atBroadcast = StoredGroup(store); }));
        auto* page = Show(sheet);
        QVERIFY(page);
        QCOMPARE(sheet.Tabs()->currentWidget(), page);
        QCOMPARE(sheet.Tabs()->tabText(0), QStringLiteral("How to Activate"));
        QVERIFY(page->IsInitialised());
        QVERIFY(Named<QRadioButton>(page, "Set regular intervals")->isChecked());
        QCOMPARE(page->findChild<QComboBox*>()->currentText(), QStringLiteral("30 Minutes"));
        QCOMPARE(PanelBox(page)->title(), QStringLiteral("Set regular intervals"));
        CClockControl* clock = page->Clock();
        QVERIFY(!clock->isVisible());
        QVERIFY(!sheet.ApplyButton()->isEnabled());
        // Every control a screen reader meets has a name.
        for (QWidget* w : page->findChildren<QWidget*>())
            if (w->focusPolicy() & Qt::TabFocus)
                QVERIFY2(!QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).isEmpty(),
                         qPrintable(w->metaObject()->className()));

        Named<QRadioButton>(page, "Set clock")->click();
        QCOMPARE(PanelBox(page)->title(), QStringLiteral("Set clock"));
        QVERIFY(clock->isVisible());
        auto* clearAll = Named<QPushButton>(page, "Clear All");
        QVERIFY(clearAll->isVisible() && !clearAll->isEnabled());
        QVERIFY(sheet.ApplyButton()->isEnabled());
        {
            BoxAnswerer ok(QMessageBox::Ok);
            sheet.accept();
            QCOMPARE(ok.texts.size(), 1);
            QVERIFY(ok.texts[0].startsWith("You have not set any clock times for notification.\n\nPlease set"));
            QVERIFY(sheet.isVisible());
            sheet.ApplyButton()->click(); // Apply is refused the same way
            QCOMPARE(ok.texts.size(), 2);
        }
        QCOMPARE(StoredGroup(store).size(), 2);

        QTest::mouseClick(clock, Qt::LeftButton, {}, MarkCentre(*clock, 39));
        QTest::mouseClick(clock, Qt::LeftButton, {}, MarkCentre(*clock, 45));
        QVERIFY(clearAll->isEnabled());
        sheet.ApplyButton()->click();
        QCOMPARE(posts.last(), QStringLiteral("14 0"));
        const QMap<QString, QByteArray> expected{
            {"Activation Mode", "1"},     {"Activation Clock0", "0"},      {"Activation Clock1", "0"},
            {"Activation Clock2", "0"},   {"Activation Clock3", "0"},      {"Activation Clock4", "1"},
            {"Activation Clock5", "4"},   {"Activation Interval", "6"},    {"Activation Keys&Mice", "0"},
            {"Activation Custom Keys", "20"}, {"Activation Custom Mice", "50"}};
        QCOMPARE(atBroadcast, expected);
        QVERIFY(!sheet.ApplyButton()->isEnabled());

        // Cleared and set again as applied: not modified.
        clearAll->click();
        QVERIFY(!clock->HasMarks() && !clearAll->isEnabled());
        QVERIFY(sheet.ApplyButton()->isEnabled());
        QTest::mouseClick(clock, Qt::LeftButton, {}, MarkCentre(*clock, 45));
        QTest::mouseClick(clock, Qt::LeftButton, {}, MarkCentre(*clock, 39));
        QVERIFY(!sheet.ApplyButton()->isEnabled());
        sheet.accept();
        QVERIFY(!sheet.isVisible());
        QCOMPARE(posts.count("14 0"), 1);
    }

    // The custom numbers: checked while "Custom" is chosen, mouse clicks
    // first; the page cannot be applied until they are in range.
    void CustomNumbers()
    {
        CSettingsStore store;
        QStringList posts;
        CStchPrefsDlg sheet(store, Posting(&posts));
        auto* page = Show(sheet);
        QVERIFY(page);
        Named<QRadioButton>(page, "Set number of keystrokes / mouseclicks")->click();
        QCOMPARE(PanelBox(page)->title(), QStringLiteral("Select number of keystrokes / mouseclicks"));
        QLineEdit* keys = nullptr;
        QLineEdit* mice = nullptr;
        for (QLineEdit* edit : page->findChildren<QLineEdit*>())
            (edit->accessibleName() == "Custom keystrokes" ? keys : mice) = edit;
        QVERIFY(keys && mice && !keys->isEnabled());
        QCOMPARE(keys->text(), QStringLiteral("50"));

        // Not in use: bad text neither stops the user nor is stored; the
        // stored number stays.
        keys->setText("49");
        {
            BoxAnswerer ok(QMessageBox::Ok);
            sheet.ApplyButton()->click();
            QVERIFY(ok.texts.isEmpty());
        }
        QCOMPARE(StoredGroup(store).value("Activation Mode"), QByteArray("2"));
        QCOMPARE(StoredGroup(store).value("Activation Custom Keys"), QByteArray("50"));

        Named<QRadioButton>(page, "Custom")->click();
        QVERIFY(keys->isEnabled() && mice->isEnabled());
        const struct {
            const char* keys;
            const char* mice;
            const char* message;
            QLineEdit* focus;
        } rows[] = {
            {"49", "50", "Enter an integer between 50 and 999999.", keys},
            {"50", "1000000", "Enter an integer between 50 and 999999.", mice},
            {"49", "49", "Enter an integer between 50 and 999999.", mice},
            {"", "50", "Enter a positive integer.", keys},
            {"99999999999999999999", "50", "Enter an integer between 50 and 999999.", keys},
        };
        for (const auto& row : rows) {
            keys->setText(row.keys);
            mice->setText(row.mice);
            BoxAnswerer ok(QMessageBox::Ok);
            sheet.ApplyButton()->click();
            QCOMPARE(ok.texts, QStringList{row.message});
            QCOMPARE(sheet.focusWidget(), row.focus);
            QCOMPARE(StoredGroup(store).value("Activation Keys&Mice"), QByteArray("0"));
        }
        keys->clear();
        QTest::keyClicks(keys, "999999");
        mice->setText("50");
        sheet.accept();
        QVERIFY(!sheet.isVisible());
        QCOMPARE(StoredGroup(store).value("Activation Mode"), QByteArray("2"));
        QCOMPARE(StoredGroup(store).value("Activation Keys&Mice"), QByteArray("4"));
        QCOMPARE(StoredGroup(store).value("Activation Custom Keys"), QByteArray("999999"));
        QCOMPARE(StoredGroup(store).value("Activation Custom Mice"), QByteArray("50"));
        QCOMPARE(posts.count("14 0"), 2);
    }

    // Every notification method off: "No Reminder"; one back on: the
    // panel of the checked method again.
    void NoMethodState()
    {
        CSettingsStore store;
        QStringList posts;
        CStchPrefsDlg sheet(store, Posting(&posts));
        auto* page = Show(sheet);
        QVERIFY(page);
        auto* notify = sheet.findChild<CNotificationDlg*>();
        Named<QRadioButton>(page, "Set number of keystrokes / mouseclicks")->click();
        auto* method = page->findChild<QGroupBox*>();
        QLabel* explanation = nullptr;
        for (QLabel* label : page->findChildren<QLabel*>())
            if (label->text().startsWith("The methods are disabled"))
                explanation = label;
        QVERIFY(explanation && !explanation->isVisible());

        sheet.Tabs()->setCurrentWidget(notify);
        for (const char* box : {"Play a Sound", "Flash Icon", "Show a Dialog Box"})
            Named<QCheckBox>(notify, box)->click();
        {
            BoxAnswerer no(QMessageBox::No); // do not return to "How to Notify"
            sheet.Tabs()->setCurrentWidget(page);
            QCOMPARE(no.texts.size(), 1);
        }
        QCOMPARE(sheet.Tabs()->currentWidget(), page);
        QVERIFY(page->ShowsDisabledState());
        QCOMPARE(PanelBox(page)->title(), QStringLiteral("No Reminder"));
        QVERIFY(explanation->isVisible());
        QVERIFY(!method->isEnabled());
        QVERIFY(!Named<QRadioButton>(page, "Custom")->isVisible());
        QVERIFY(!page->Clock()->isVisible());

        sheet.Tabs()->setCurrentWidget(notify);
        Named<QCheckBox>(notify, "Flash Icon")->click();
        sheet.Tabs()->setCurrentWidget(page);
        QVERIFY(!page->ShowsDisabledState());
        QCOMPARE(PanelBox(page)->title(), QStringLiteral("Select number of keystrokes / mouseclicks"));
        QVERIFY(!explanation->isVisible());
        QVERIFY(method->isEnabled());
        QVERIFY(Named<QRadioButton>(page, "Custom")->isVisible());
        sheet.reject();
    }

private:
    std::unique_ptr<TestHome> m_home;
};

QTEST_MAIN(ActivationPageTest)
#include "ActivationPageTest.moc"
