#include "CHotKeyDlg.h"
#include "CMyHotKeyCtrl.h"
#include "CNotificationDlg.h"
#include "CSettingsStore.h"
#include "CStchPrefsDlg.h"
#include "TestHome.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace {

// What the sheet asked of the system, in order.
struct Recorder {
    QStringList events;
    std::function<void()> onPost;

    PrefsServices Services()
    {
        PrefsServices services;
        services.postToCtrl = [this](unsigned code, int lParam) {
            events << QStringLiteral("post %1 %2").arg(code).arg(lParam);
            if (onPost)
                onPost();
        };
        services.enableHotKey = [this](int enable) { events << QStringLiteral("enable %1").arg(enable); };
        services.setHotKey = [this](int alt, int ctrl, int shift, int key) {
            events << QStringLiteral("set %1 %2 %3 %4").arg(alt).arg(ctrl).arg(shift).arg(key);
        };
        return services;
    }
};

QCheckBox* Check(QWidget* page, const QString& text)
{
    for (QCheckBox* box : page->findChildren<QCheckBox*>())
        if (box->text().remove(QLatin1Char('&')) == text)
            return box;
    return nullptr;
}

// Answers the next message box with `button` once it is shown.
void AnswerNextMessageBox(QMessageBox::StandardButton button, QString* text)
{
    QTimer::singleShot(0, [button, text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            AnswerNextMessageBox(button, text);
            return;
        }
        *text = box->text();
        box->button(button)->click();
    });
}

void WriteFile(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("RIFF");
}

} // namespace

class PrefsSheetTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A sound device, so that "Play a Sound" is offered (SDL's disk
        // output, to nowhere).
        if (!qEnvironmentVariableIsSet("SDL_AUDIODRIVER")) {
            qputenv("SDL_AUDIODRIVER", "disk");
            qputenv("SDL_DISKAUDIOFILE", "/dev/null");
        }
    }
    void init()
    {
        m_home = std::make_unique<TestHome>();
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_home->Root() + "/data"));
    }
    void cleanup() { m_home.reset(); }

    // Cancel on a sheet whose pages were only looked at writes only the
    // sheet's position, and the hot key is armed again from the settings.
    void CancelWritesNothingButThePosition()
    {
        CSettingsStore store;
        store.WriteInt(Settings::kHotKeyEnable, 0);
        store.WriteInt(Settings::kLastPrefsX, 40);
        store.WriteInt(Settings::kLastPrefsY, 30);
        Recorder recorder;
        {
            CStchPrefsDlg sheet(store, recorder.Services());
            QCOMPARE(sheet.windowTitle(), QStringLiteral("Ovantis Preferences"));
            QCOMPARE(recorder.events, QStringList{"post 12 0"});
            sheet.show();
            QVERIFY(QTest::qWaitForWindowExposed(&sheet));
            QCOMPARE(sheet.pos(), QPoint(40, 30));
            sheet.Tabs()->setCurrentIndex(1);
            QVERIFY(!sheet.ApplyButton()->isEnabled());
            sheet.reject();
        }
        QCOMPARE(recorder.events, (QStringList{"post 12 0", "enable 0", "post 13 0", "enable 0"}));
        QStringList names;
        for (const auto& stored : store.ReadAll())
            names << stored.name;
        QCOMPARE(names, (QStringList{"HotKey Enable", "LastPrefsX", "LastPrefsY"}));
    }

    void NotifyPageLoadModifyApply()
    {
        const QString data = m_home->Root() + "/data/sounds";
        WriteFile(data + "/a/Bell.wav");
        WriteFile(data + "/a/b/c/Chime.WAV");   // three folders deep
        WriteFile(data + "/a/b/c/d/Deep.wav");  // four: not offered
        WriteFile(data + "/a/Notes.txt");
        CSettingsStore store;
        store.WriteString(Settings::kNotificationSound, "bell"); // other letter case
        store.WriteInt(Settings::kNotificationUseSystemVolume, 0);
        Recorder recorder;
        // The broadcast follows the last write: the whole group is stored.
        QStringList atBroadcast;
        recorder.onPost = [&] {
            atBroadcast.clear();
            for (const SettingValue* value : Settings::Group(SettingGroup::Notification))
                if (store.ReadStored(value->section, value->name))
                    atBroadcast << value->name;
        };
        CStchPrefsDlg sheet(store, recorder.Services());
        sheet.show();
        auto* page = sheet.findChild<CNotificationDlg*>();
        sheet.Tabs()->setCurrentWidget(page);
        QVERIFY(page && page->IsInitialised());
        auto* sounds = page->findChild<QComboBox*>(QString(), Qt::FindDirectChildrenOnly);
        QStringList offered;
        for (int i = 0; i < sounds->count(); ++i)
            offered << sounds->itemText(i);
        QCOMPARE(offered, (QStringList{"Bell", "Chime"}));
        QCOMPARE(sounds->currentText(), QStringLiteral("Bell"));
        auto* slider = page->findChild<QSlider*>();
        QCOMPARE(slider->value(), 3); // volume 7
        QVERIFY(slider->isEnabled());
        QVERIFY(!sheet.ApplyButton()->isEnabled()); // the letter case alone changes nothing

        slider->setValue(0); // the top: the loudest
        QVERIFY(sheet.ApplyButton()->isEnabled());
        slider->setValue(3);
        QVERIFY(!sheet.ApplyButton()->isEnabled());
        slider->setValue(10);
        Check(page, "Flash Icon")->click();
        QVERIFY(sheet.ApplyButton()->isEnabled());
        sheet.ApplyButton()->click();
        QVERIFY(!sheet.ApplyButton()->isEnabled());
        QCOMPARE(recorder.events.last(), QStringLiteral("post 14 1"));
        QCOMPARE(atBroadcast.size(), Settings::Group(SettingGroup::Notification).size());
        QCOMPARE(store.ReadInt(Settings::kNotificationSoundVolume, SettingReader::Page), 0);
        QCOMPARE(store.ReadInt(Settings::kNotificationFlashIconOn, SettingReader::Page), 0);
        QCOMPARE(store.ReadString(Settings::kNotificationSound, SettingReader::Page), QByteArray("bell"));
        QCOMPARE(store.ReadString(Settings::kSoundPath, SettingReader::Page), QFile::encodeName(data + "/a/Bell.wav"));
        // OK now finds nothing changed: no second broadcast.
        const qsizetype posts = recorder.events.count("post 14 1");
        sheet.accept();
        QCOMPARE(recorder.events.count("post 14 1"), posts);
    }

    // All methods off: OK asks; Yes keeps the sheet open on the page, No
    // closes it and stores the three zeros.
    void NoMethodQuestion()
    {
        CSettingsStore store;
        Recorder recorder;
        CStchPrefsDlg sheet(store, recorder.Services());
        sheet.show();
        auto* page = sheet.findChild<CNotificationDlg*>();
        sheet.Tabs()->setCurrentWidget(page);
        for (const char* box : {"Play a Sound", "Flash Icon", "Show a Dialog Box"})
            Check(page, box)->click();
        QVERIFY(sheet.NoMethod());
        QString question;
        AnswerNextMessageBox(QMessageBox::Yes, &question);
        sheet.accept();
        QVERIFY(question.startsWith("You have not chosen a method of notification;"));
        QVERIFY(question.endsWith("\n\nDo you wish to return to \"How to Notify\"?"));
        QVERIFY(sheet.isVisible());
        QVERIFY(!store.ReadStored(Settings::kPreferences, "Notification Dialog ON"));
        AnswerNextMessageBox(QMessageBox::No, &question);
        sheet.accept();
        QVERIFY(!sheet.isVisible());
        for (const SettingValue* value : {&Settings::kNotificationSoundOn, &Settings::kNotificationFlashIconOn,
                                          &Settings::kNotificationDialogOn})
            QCOMPARE(store.ReadInt(*value, SettingReader::Controller), 0);
    }

    void HotKeyRules_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("held");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("taken");
        using C = CMyHotKeyCtrl;
        QTest::newRow("Ctrl+Alt+S") << int('S') << (C::kControl | C::kAlt) << true << 6;
        QTest::newRow("Shift+Ctrl+Alt+S") << int('S') << (C::kShift | C::kControl | C::kAlt) << true << 7;
        QTest::newRow("Ctrl+S beeps") << int('S') << int(C::kControl) << false << 0;
        QTest::newRow("Alt+Z beeps") << int('Z') << int(C::kAlt) << false << 0;
        QTest::newRow("plain A beeps") << int('A') << 0 << false << 0;
        QTest::newRow("Ctrl+F5 is F5") << 0x74 << int(C::kControl) << true << 0;
        QTest::newRow("Shift+Alt+5 is 5") << int('5') << (C::kShift | C::kAlt) << true << 0;
        QTest::newRow("Ctrl+Alt+F5") << 0x74 << (C::kControl | C::kAlt) << true << 6;
    }
    void HotKeyRules()
    {
        QFETCH(int, key);
        QFETCH(int, held);
        QFETCH(bool, accepted);
        QFETCH(int, taken);
        uint8_t modifiers = uint8_t(held);
        QCOMPARE(CMyHotKeyCtrl::Accept(uint8_t(key), &modifiers), accepted);
        if (accepted)
            QCOMPARE(int(modifiers), taken);
    }

    // Typed keys on the page, apply, and the key armed as the sheet closes.
    void HotKeyPageTypedAndApplied()
    {
        CSettingsStore store;
        Recorder recorder;
        {
            CStchPrefsDlg sheet(store, recorder.Services());
            sheet.show();
            QVERIFY(QTest::qWaitForWindowExposed(&sheet));
            auto* page = sheet.findChild<CHotKeyDlg*>();
            sheet.Tabs()->setCurrentWidget(page);
            auto* control = page->findChild<CMyHotKeyCtrl*>();
            QCOMPARE(CMyHotKeyCtrl::Text(control->VirtualKey(), control->Modifiers()), QStringLiteral("Ctrl + Alt + S"));
            QSignalSpy refused(control, &CMyHotKeyCtrl::Refused);
            QTest::keyClick(control, Qt::Key_Q, Qt::ControlModifier);
            QCOMPARE(refused.count(), 1);
            QCOMPARE(int(control->VirtualKey()), int('S'));
            QVERIFY(!sheet.ApplyButton()->isEnabled());
            QTest::keyClick(control, Qt::Key_F5, Qt::ControlModifier);
            QCOMPARE(CMyHotKeyCtrl::Text(control->VirtualKey(), control->Modifiers()), QStringLiteral("F5"));
            QVERIFY(sheet.ApplyButton()->isEnabled());
            sheet.ApplyButton()->click();
            QCOMPARE(recorder.events.last(), QStringLiteral("set 0 0 0 116"));
            QCOMPARE(store.ReadInt(Settings::kHotKeyKeycode, SettingReader::Controller), 116);
            QCOMPARE(store.ReadInt(Settings::kHotKeyModifiers, SettingReader::Controller), 0);
            QTest::keyClick(control, Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier);
            Check(page, "Enable Hot Key")->click();
            QVERIFY(!control->isEnabled());
            sheet.accept();
        }
        QCOMPARE(store.ReadInt(Settings::kHotKeyEnable, SettingReader::Controller), 0);
        QCOMPARE(store.ReadInt(Settings::kHotKeyKeycode, SettingReader::Controller), int('Q'));
        QCOMPARE(store.ReadInt(Settings::kHotKeyModifiers, SettingReader::Controller), 6);
        QCOMPARE(recorder.events.mid(recorder.events.size() - 3),
                 (QStringList{"set 4 2 0 81", "post 13 0", "enable 0"}));
        // The notification page was shown first but never changed: no code 14.
        QVERIFY(!recorder.events.contains("post 14 1"));
    }

    // The keys a sheet goes by reach it from its fields: Ctrl+Tab and
    // Ctrl+Shift+Tab turn the pages from a drop-down list; from the hot key
    // field Tab and Shift+Tab move the focus and Escape is the Cancel, none
    // of them a combination.
    void DialogKeysReachTheSheet()
    {
        CSettingsStore store;
        Recorder recorder;
        CStchPrefsDlg sheet(store, recorder.Services());
        sheet.show();
        QVERIFY(QTest::qWaitForWindowActive(&sheet));
        auto* interval = sheet.Tabs()->widget(0)->findChild<QComboBox*>();
        QVERIFY(interval);
        interval->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), interval);
        QTest::keyClick(interval, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(sheet.Tabs()->currentIndex(), 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(sheet.Tabs()->currentIndex(), 0);

        auto* page = sheet.findChild<CHotKeyDlg*>();
        sheet.Tabs()->setCurrentWidget(page);
        auto* control = page->findChild<CMyHotKeyCtrl*>();
        control->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), control);
        QTest::keyClick(control, Qt::Key_Tab);
        QWidget* next = QApplication::focusWidget();
        QVERIFY(next && next != control);
        QTest::keyClick(next, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), control);
        QTest::keyClick(control, Qt::Key_Escape);
        QVERIFY(!sheet.isVisible());
        QCOMPARE(sheet.result(), int(QDialog::Rejected));
        QCOMPARE(CMyHotKeyCtrl::Text(control->VirtualKey(), control->Modifiers()), QStringLiteral("Ctrl + Alt + S"));
        QVERIFY(!store.ReadStored(Settings::kPreferences, "HotKey Keycode"));
    }

private:
    std::unique_ptr<TestHome> m_home;
};

QTEST_MAIN(PrefsSheetTest)
#include "PrefsSheetTest.moc"
