#include "CSettingsStore.h"
#include "TestHome.h"

#include <QFile>
#include <QProcess>
#include <QTest>
#include <memory>

namespace {
struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run OvSettings(const QStringList& args)
{
    QProcess process;
    process.start(OVSETTINGS_PATH, args);
    Run run;
    if (!process.waitForFinished(20000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}
} // namespace

class OvSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_home = std::make_unique<TestHome>(); }
    void cleanup() { m_home.reset(); }

    void SetThenGet()
    {
        QCOMPARE(OvSettings({"set", "Preferences", "Activation Keys&Mice", "4"}).exitCode, 0);
        QCOMPARE(OvSettings({"set", "Ovantis", "LastStretchTopic", "-1", "--int"}).exitCode, 0);
        QCOMPARE(OvSettings({"set", "Preferences", "Notification Sound", "Caf\u00e9 \u20ac 5"}).exitCode, 0);

        Run got = OvSettings({"get", "Preferences", "Activation Keys&Mice"});
        QCOMPARE(got.exitCode, 0);
        QCOMPARE(got.out, "4\n");
        QCOMPARE(OvSettings({"get", "Ovantis", "LastStretchTopic"}).out, "-1\n");
        QCOMPARE(OvSettings({"get", "Preferences", "Notification Sound"}).out, "Caf\xc3\xa9 \xe2\x82\xac 5\n");

        // The programs read what the tool wrote, as Windows-1252 bytes.
        CSettingsStore store;
        QCOMPARE(store.ReadInt(Settings::kActivationKeysAndMice, SettingReader::Controller), 4);
        QCOMPARE(store.ReadInt(Settings::kLastStretchTopic, SettingReader::Viewer), -1);
        QCOMPARE(store.ReadString(Settings::kNotificationSound, SettingReader::Page), QByteArray("Caf\xe9 \x80 5"));
    }

    void GetMissing()
    {
        Run got = OvSettings({"get", "Preferences", "HotKey Keycode"});
        QCOMPARE(got.exitCode, 1);
        QCOMPARE(got.out, QByteArray());
        CSettingsStore().WriteInt(Settings::kHotKeyModifiers, 6);
        QCOMPARE(OvSettings({"get", "Preferences", "HotKey Keycode"}).exitCode, 1);
        QCOMPARE(OvSettings({"get", "Preferences", "HotKey Modifiers"}).out, "6\n");
    }

    void RefusesWhatCannotBeStored_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("hex as int") << QStringList{"set", "Ovantis", "LastStretchTopic", "0x10", "--int"};
        QTest::newRow("too large for int") << QStringList{"set", "Ovantis", "X", "4294967295", "--int"};
        QTest::newRow("text for a known int") << QStringList{"set", "Preferences", "HotKey Keycode", "S"};
        QTest::newRow("not Windows-1252") << QStringList{"set", "Preferences", "Notification Sound", "\u65e5"};
        QTest::newRow("no value") << QStringList{"set", "Preferences", "SoundPath"};
        QTest::newRow("unknown command") << QStringList{"remove", "Preferences", "SoundPath"};
        QTest::newRow("get without name") << QStringList{"get", "Preferences"};
        QTest::newRow("list with arguments") << QStringList{"list", "Preferences"};
        QTest::newRow("nothing") << QStringList{};
    }
    void RefusesWhatCannotBeStored()
    {
        QFETCH(QStringList, args);
        CSettingsStore store;
        QVERIFY(store.WriteInt(Settings::kHotKeyKeycode, 83));
        const Run run = OvSettings(args);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(!run.err.isEmpty());
        QCOMPARE(OvSettings({"list"}).out, "Preferences/HotKey Keycode=83\n");
    }

    void SaysWhatIsWrongWithAName_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("set, empty section") << QStringList{"set", "", "LastAppX", "5"}
                                            << QByteArray("invalid section name \"\": it is empty");
        QTest::newRow("set, name with '/'") << QStringList{"set", "Preferences", "Last/AppX", "5"}
                                            << QByteArray("invalid value name \"Last/AppX\": it holds '/'");
        QTest::newRow("set, section with '\\'") << QStringList{"set", "Pre\\fs", "SoundPath", "x", "--string"}
                                                 << QByteArray("invalid section name \"Pre\\fs\": it holds '\\'");
        QTest::newRow("get, empty name") << QStringList{"get", "Preferences", ""}
                                         << QByteArray("invalid value name \"\": it is empty");
        QTest::newRow("get, section with '/'") << QStringList{"get", "Preferences/Deep", "LastAppX"}
                                               << QByteArray("invalid section name \"Preferences/Deep\": it holds '/'");
    }
    void SaysWhatIsWrongWithAName()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, error);
        const Run run = OvSettings(args);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(error), run.err.constData());
        QVERIFY(!run.err.contains("could not write"));
        QVERIFY(!QFile::exists(CSettingsStore().FilePath()));
    }

    void StringFlagStoresTextForAnyName()
    {
        QCOMPARE(OvSettings({"set", "Preferences", "HotKey Keycode", "S", "--string"}).exitCode, 0);
        QCOMPARE(CSettingsStore().ReadInt(Settings::kHotKeyKeycode, SettingReader::Page), 83);
        QCOMPARE(OvSettings({"get", "Preferences", "HotKey Keycode"}).out, "S\n");
        // Unknown names: decimal text is an int, anything else a string.
        QCOMPARE(OvSettings({"set", "Ovantis", "Custom", "12"}).exitCode, 0);
        QCOMPARE(OvSettings({"set", "Ovantis", "Other", "12abc"}).exitCode, 0);
        QCOMPARE(CSettingsStore().ReadInt("Ovantis", "Custom", 0), 12);
        QCOMPARE(CSettingsStore().ReadString("Ovantis", "Other", ""), QByteArray("12abc"));
    }

    void ListsEveryValueOnItsOwnLine()
    {
        CSettingsStore store;
        QVERIFY(store.WriteInt(Settings::kActivationMode, 2));
        QVERIFY(store.WriteString(Settings::kSequence, QByteArray("\x01\n\\\x93" "A")));
        QVERIFY(store.WriteString(Settings::kSoundPath, "/home/me/bell sound.wav"));
        QVERIFY(store.WriteInt(Settings::kLastStretchTopic, 301));
        const Run run = OvSettings({"list"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("Ovantis/LastStretchTopic=301\n"
                                     "Preferences/Activation Mode=2\n"
                                     "Preferences/Sequence=\\x01\\x0a\\\\\xe2\x80\x9c" "A\n"
                                     "Preferences/SoundPath=/home/me/bell sound.wav\n"));
        QCOMPARE(OvSettings({"list"}).out, run.out);
    }

    void EmptyStoreListsNothing()
    {
        const Run run = OvSettings({"list"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray());
    }

private:
    std::unique_ptr<TestHome> m_home;
};

QTEST_GUILESS_MAIN(OvSettingsTest)
#include "OvSettingsTest.moc"
