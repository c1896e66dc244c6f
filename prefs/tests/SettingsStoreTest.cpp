#include "CSettingsStore.h"
#include "TestHome.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>
#include <memory>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList DamagedCopies(const QString& filePath)
{
    QFileInfo info(filePath);
    return QDir(info.absolutePath()).entryList({info.fileName() + ".damaged-*"}, QDir::Files, QDir::Name);
}

} // namespace

class SettingsStoreTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_home = std::make_unique<TestHome>(); }
    void cleanup() { m_home.reset(); }

    void FileLivesInTheUsersConfigDirectory()
    {
        CSettingsStore store;
        QCOMPARE(store.FilePath(), m_home->ConfigDir() + "/Halvorn Press/Stretch.conf");
        QVERIFY(store.WriteInt(Settings::kActivationKeysAndMice, 4));
        QVERIFY(store.WriteString(Settings::kInstallation, "Release"));
        QVERIFY(store.WriteInt(Settings::kLastAppX, -1));
        // What QSettings writes for these, spelled out by hand: names with
        // blanks and '&' are percent-escaped, ints are decimal text.
        const QByteArray text = ReadFile(store.FilePath());
        QVERIFY2(text.contains("[Preferences]\nActivation%20Keys%26Mice=4\nLastAppX=-1\n"), text.constData());
        QVERIFY2(text.contains("[Ovantis]\nInstallation=Release\n"), text.constData());
    }

    void ReadsIntsOnlyWhenPlainDecimal_data()
    {
        QTest::addColumn<QByteArray>("stored"); // as it stands in the file
        QTest::addColumn<int>("expected");      // read with default 77

        QTest::newRow("positive") << QByteArray("5") << 5;
        QTest::newRow("minus one") << QByteArray("-1") << -1;
        QTest::newRow("zero") << QByteArray("0") << 0;
        QTest::newRow("minus zero") << QByteArray("-0") << 0;
        QTest::newRow("leading zeros") << QByteArray("007") << 7;
        QTest::newRow("largest") << QByteArray("2147483647") << 2147483647;
        QTest::newRow("smallest") << QByteArray("-2147483648") << int(-2147483648LL);
        QTest::newRow("one past largest") << QByteArray("2147483648") << 77;
        QTest::newRow("one past smallest") << QByteArray("-2147483649") << 77;
        QTest::newRow("unsigned all bits") << QByteArray("4294967295") << 77;
        QTest::newRow("very long") << QByteArray("99999999999999999999999") << 77;
        QTest::newRow("hex") << QByteArray("0x10") << 77;
        QTest::newRow("trailing letters") << QByteArray("12abc") << 77;
        QTest::newRow("plus sign") << QByteArray("+5") << 77;
        QTest::newRow("fraction") << QByteArray("1.5") << 77;
        QTest::newRow("exponent") << QByteArray("1e3") << 77;
        QTest::newRow("empty") << QByteArray("") << 77;
        QTest::newRow("minus alone") << QByteArray("-") << 77;
        QTest::newRow("double minus") << QByteArray("--1") << 77;
        QTest::newRow("blank inside quotes") << QByteArray("\" 5\"") << 77;
        QTest::newRow("blanks around, unquoted") << QByteArray("  5  ") << 5;
        QTest::newRow("list") << QByteArray("1, 2") << 77;
        QTest::newRow("arabic-indic digit") << QByteArray("\xd9\xa3") << 77;
        QTest::newRow("fullwidth digit") << QByteArray("\xef\xbc\x95") << 77;
    }
    void ReadsIntsOnlyWhenPlainDecimal()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, expected);
        CSettingsStore store;
        WriteFile(store.FilePath(), "[Ovantis]\nLastStretchTopic=" + stored + "\n");
        QCOMPARE(store.ReadInt("Ovantis", "LastStretchTopic", 77), expected);
        QCOMPARE(store.ReadInt("Ovantis", "Missing", 77), 77);
        QCOMPARE(store.ReadInt("Nowhere", "LastStretchTopic", 77), 77);
    }

    void IntsRoundTrip()
    {
        CSettingsStore store;
        for (int value : {0, 1, -1, 255, 999999, INT32_MAX, INT32_MIN}) {
            QVERIFY(store.WriteInt("Preferences", "HotKey Keycode", value));
            QCOMPARE(store.ReadInt("Preferences", "HotKey Keycode", 12345), value);
        }
        // A value written as a string is read as an int when it is one.
        QVERIFY(store.WriteString("Preferences", "HotKey Keycode", "-17"));
        QCOMPARE(store.ReadInt("Preferences", "HotKey Keycode", 0), -17);
    }

    void DefaultsDependOnTheReader_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("reader");
        QTest::addColumn<QVariant>("expected"); // int or QByteArray

        const int page = int(SettingReader::Page), ctrl = int(SettingReader::Controller),
                  viewer = int(SettingReader::Viewer);
        QTest::newRow("mode, page") << "Activation Mode" << page << QVariant(0);
        QTest::newRow("mode, controller") << "Activation Mode" << ctrl << QVariant(0);
        QTest::newRow("clock 0, page") << "Activation Clock0" << page << QVariant(0);
        QTest::newRow("interval, page") << "Activation Interval" << page << QVariant(0);
        QTest::newRow("interval, controller") << "Activation Interval" << ctrl << QVariant(10);
        QTest::newRow("keys and mice, page") << "Activation Keys&Mice" << page << QVariant(0);
        QTest::newRow("keys and mice, controller") << "Activation Keys&Mice" << ctrl << QVariant(0);
        QTest::newRow("custom keys") << "Activation Custom Keys" << ctrl << QVariant(50);
        QTest::newRow("custom mice, page") << "Activation Custom Mice" << page << QVariant(50);
        QTest::newRow("custom mice, controller") << "Activation Custom Mice" << ctrl << QVariant(50);
        QTest::newRow("sound on, page") << "Notification Sound ON" << page << QVariant(1);
        QTest::newRow("sound on, controller") << "Notification Sound ON" << ctrl << QVariant(1);
        QTest::newRow("clock 5") << "Activation Clock5" << ctrl << QVariant(0);
        QTest::newRow("sound, page") << "Notification Sound" << page << QVariant(QByteArray(""));
        QTest::newRow("sound, controller") << "Notification Sound" << ctrl << QVariant(QByteArray("Tibetan Bell"));
        QTest::newRow("sound path") << "SoundPath" << ctrl << QVariant(QByteArray(""));
        QTest::newRow("volume") << "Notification Sound Volume" << page << QVariant(7);
        QTest::newRow("volume, controller") << "Notification Sound Volume" << ctrl << QVariant(7);
        QTest::newRow("system volume") << "Notification Use System Volume" << ctrl << QVariant(1);
        QTest::newRow("system volume, page") << "Notification Use System Volume" << page << QVariant(1);
        QTest::newRow("flash icon, page") << "Notification Flash Icon ON" << page << QVariant(1);
        QTest::newRow("flash icon, controller") << "Notification Flash Icon ON" << ctrl << QVariant(1);
        QTest::newRow("flash interval, page") << "Notification Flash Interval" << page << QVariant(2);
        QTest::newRow("flash interval, controller") << "Notification Flash Interval" << ctrl << QVariant(4);
        QTest::newRow("dialog, page") << "Notification Dialog ON" << page << QVariant(1);
        QTest::newRow("dialog, controller") << "Notification Dialog ON" << ctrl << QVariant(0);
        QTest::newRow("sequence, page") << "Sequence" << page << QVariant(QByteArray(""));
        QTest::newRow("sequence, controller") << "Sequence" << ctrl << QVariant(QByteArray("NoSequence"));
        QTest::newRow("sequence index, page") << "Sequence Index" << page << QVariant(0);
        QTest::newRow("sequence index, controller") << "Sequence Index" << ctrl << QVariant(-1);
        QTest::newRow("hot key enable, viewer") << "HotKey Enable" << viewer << QVariant(1);
        QTest::newRow("hot key enable, page") << "HotKey Enable" << page << QVariant(1);
        QTest::newRow("hot key enable, controller") << "HotKey Enable" << ctrl << QVariant(1);
        QTest::newRow("hot key code") << "HotKey Keycode" << ctrl << QVariant(83);
        QTest::newRow("hot key code, page") << "HotKey Keycode" << page << QVariant(83);
        QTest::newRow("hot key modifiers") << "HotKey Modifiers" << page << QVariant(6);
        QTest::newRow("hot key modifiers, controller") << "HotKey Modifiers" << ctrl << QVariant(6);
        QTest::newRow("sheet position") << "LastPrefsY" << page << QVariant(-1);
        QTest::newRow("sheet position x") << "LastPrefsX" << page << QVariant(-1);
        QTest::newRow("viewer position") << "LastAppX" << viewer << QVariant(-1);
        QTest::newRow("viewer position y") << "LastAppY" << viewer << QVariant(-1);
        QTest::newRow("topic, viewer") << "LastStretchTopic" << viewer << QVariant(300);
        QTest::newRow("topic, controller") << "LastStretchTopic" << ctrl << QVariant(-1);
        QTest::newRow("installation") << "Installation" << ctrl << QVariant(QByteArray("Release"));
    }
    void DefaultsDependOnTheReader()
    {
        QFETCH(QString, name);
        QFETCH(int, reader);
        QFETCH(QVariant, expected);
        const SettingValue* value = nullptr;
        for (const char* section : {Settings::kPreferences, Settings::kOvantis}) {
            if (!value)
                value = Settings::Find(section, name.toStdString());
        }
        QVERIFY(value);
        CSettingsStore store;
        WriteFile(store.FilePath(), "[Preferences]\nSomething%20Else=3\n[Ovantis]\nOther=x\n");
        if (expected.metaType().id() == QMetaType::Int) {
            QCOMPARE(value->type, SettingType::Int);
            QCOMPARE(store.ReadInt(*value, SettingReader(reader)), expected.toInt());
            // A stored value wins over every default.
            QVERIFY(store.WriteInt(*value, 4242));
            QCOMPARE(store.ReadInt(*value, SettingReader(reader)), 4242);
        } else {
            QCOMPARE(value->type, SettingType::String);
            QCOMPARE(store.ReadString(*value, SettingReader(reader)), expected.toByteArray());
            // An empty stored text is a value, not a missing one.
            QVERIFY(store.WriteString(*value, ""));
            QCOMPARE(store.ReadString(*value, SettingReader(reader)), QByteArray());
        }
    }

    void TableIsConsistent()
    {
        QSet<QString> names;
        int grouped = 0;
        for (const SettingValue* value : Settings::All()) {
            const QString key = QString(value->section) + "/" + value->name;
            QVERIFY2(!names.contains(key), qPrintable(key));
            names.insert(key);
            QCOMPARE(Settings::Find(value->section, value->name), value);
            const auto group = Settings::Group(value->group);
            QCOMPARE(std::count(group.begin(), group.end(), value), value->group == SettingGroup::None ? 0 : 1);
            grouped += value->group == SettingGroup::None ? 0 : 1;
        }
        QCOMPARE(names.size(), 30);
        int inGroups = 0;
        for (SettingGroup g : {SettingGroup::Activation, SettingGroup::Notification, SettingGroup::Sequence,
                               SettingGroup::HotKey})
            inGroups += int(Settings::Group(g).size());
        QCOMPARE(inGroups, grouped);
        QCOMPARE(Settings::Find("Preferences", "activation mode"), nullptr); // names are exact
        QCOMPARE(Settings::Find("Ovantis", "Activation Mode"), nullptr);
    }

    void StringsStopAtTheFirstZeroByte()
    {
        CSettingsStore store;
        QVERIFY(store.WriteString(Settings::kSequence, QByteArrayView("\x01\x02\x03\x04\0\x05\x06", 7)));
        QCOMPARE(store.ReadString(Settings::kSequence, SettingReader::Page), QByteArray("\x01\x02\x03\x04"));
        QVERIFY(store.WriteString(Settings::kSequence, QByteArrayView("\0abc", 4)));
        QCOMPARE(store.ReadString(Settings::kSequence, SettingReader::Controller), QByteArray());
        // A zero written into the file by hand ends the value as well.
        WriteFile(store.FilePath(), "[Preferences]\nSequence=ab\\0cd\n");
        QCOMPARE(store.ReadString(Settings::kSequence, SettingReader::Page), QByteArray("ab"));
    }

    void SequenceKeepsEveryByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray all;
        for (int b = 1; b <= 255; ++b)
            all.append(char(b));
        QTest::newRow("1-255 ascending") << all;
        QByteArray reversed = all;
        std::reverse(reversed.begin(), reversed.end());
        QTest::newRow("255-1 descending") << reversed;
        QTest::newRow("leading '@'") << "@" + all;
        QTest::newRow("blanks at both ends") << " " + all + " ";
        // Each byte at both ends and next to what could change its meaning in
        // the file: hex and octal digits after an escape, quotes, separators.
        for (int b = 1; b <= 255; ++b) {
            const QByteArray c(1, char(b));
            QTest::addRow("byte %d", b) << c + "0a7F\"" + c + ",;=" + c + " " + c;
        }
    }
    void SequenceKeepsEveryByte()
    {
        QFETCH(QByteArray, bytes);
        CSettingsStore store;
        QVERIFY(store.WriteString(Settings::kSequence, bytes));
        QCOMPARE(store.ReadString(Settings::kSequence, SettingReader::Page), bytes);
        // The file stays one line per value, and QSettings' own reading of
        // the file does not count it as damaged.
        const QByteArray text = ReadFile(store.FilePath());
        QCOMPARE(text.count('\n'), 2);
        QSettings settings(store.FilePath(), QSettings::IniFormat);
        QVERIFY(settings.contains("Preferences/Sequence"));
        QCOMPARE(settings.status(), QSettings::NoError);
    }

    void SecondProcessSeesEveryByte()
    {
        QByteArray all;
        for (int b = 1; b <= 255; ++b)
            all.append(char(b));
        CSettingsStore store;
        QVERIFY(store.WriteString(Settings::kSequence, all));
        QProcess peer;
        StartPeer(peer);
        QCOMPARE(Ask(peer, "hex Sequence"), all.toHex());
        peer.closeWriteChannel();
        QVERIFY(peer.waitForFinished(10000));
    }

    void ReadsHandWrittenText()
    {
        CSettingsStore store;
        // UTF-8 in the file is text; the store gives its Windows-1252 bytes.
        WriteFile(store.FilePath(),
                  "[Preferences]\n"
                  "Notification%20Sound=Caf\xc3\xa9 \xe2\x82\xac \xe2\x84\xa2\n"
                  "SoundPath=\"/home/a b/x.wav\"\n"
                  "Sequence=\\x1\\x2\\x81\\xff\n"
                  "Odd=@ByteArray(\x41\x42)\n");
        QCOMPARE(store.ReadString(Settings::kNotificationSound, SettingReader::Page), QByteArray("Caf\xe9 \x80 \x99"));
        QCOMPARE(store.ReadString(Settings::kSoundPath, SettingReader::Page), QByteArray("/home/a b/x.wav"));
        QCOMPARE(store.ReadString(Settings::kSequence, SettingReader::Page), QByteArray("\x01\x02\x81\xff"));
        QCOMPARE(store.ReadString("Preferences", "Odd", "none"), QByteArray("AB"));
    }

    void SecondProcessSeesEachWriteAtOnce()
    {
        // Same-sized values in quick succession: the hardest case for a
        // reader that decides from size and time whether to read again.
        CSettingsStore store;
        QProcess peer;
        StartPeer(peer);
        QCOMPARE(Ask(peer, "get"), QByteArray("missing"));
        for (int i = 0; i < 150; ++i) {
            const int mine = 1000 + i;
            QVERIFY(store.WriteInt("Ovantis", "LastStretchTopic", mine));
            QCOMPARE(Ask(peer, "get"), QByteArray::number(mine));
            const int theirs = 2000 + i;
            QCOMPARE(Ask(peer, "set " + QByteArray::number(theirs)), QByteArray("ok"));
            QCOMPARE(store.ReadInt("Ovantis", "LastStretchTopic", 0), theirs);
        }
        peer.closeWriteChannel();
        QVERIFY(peer.waitForFinished(10000));
        QCOMPARE(peer.exitCode(), 0);
    }

    void WritersAtTheSameTimeKeepEachOthersValues()
    {
        CSettingsStore store;
        QProcess peer;
        StartPeer(peer);
        peer.write("count 60\n");
        for (int i = 1; i <= 60; ++i)
            QVERIFY(store.WriteInt("Preferences", "LastAppX", i));
        while (!peer.canReadLine())
            QVERIFY(peer.waitForReadyRead(20000));
        QCOMPARE(peer.readLine().trimmed(), QByteArray("ok"));
        QCOMPARE(store.ReadInt("Preferences", "LastAppX", 0), 60);
        QCOMPARE(store.ReadInt("Ovantis", "PeerCount", 0), 60);
        peer.closeWriteChannel();
        QVERIFY(peer.waitForFinished(10000));
    }

    void EachVersionIsNewerThanTheOneItReplaced()
    {
        // A reader decides from size and time in milliseconds whether to read
        // the file again; a version with the size and time of one it already
        // read would stay unseen. Here the clock lags the file's time, as it
        // does for writes within one clock tick.
        CSettingsStore store;
        QVERIFY(store.WriteInt("Ovantis", "LastStretchTopic", 201));
        const QDateTime ahead = QDateTime::currentDateTime().addMSecs(30);
        {
            QFile file(store.FilePath());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(ahead, QFileDevice::FileModificationTime));
        }
        QVERIFY(store.WriteInt("Ovantis", "LastStretchTopic", 202));
        QVERIFY(QFileInfo(store.FilePath()).lastModified() > ahead);
        QCOMPARE(store.ReadInt("Ovantis", "LastStretchTopic", 0), 202);
    }

    void FileDatedAheadIsReplacedOnce()
    {
        // A file dated an hour ahead of the clock cannot be given a later
        // time by writing it again and again; one write must do, and another
        // process that read the file dated ahead still sees the new value.
        CSettingsStore store;
        QVERIFY(store.WriteInt("Ovantis", "LastStretchTopic", 201));
        {
            QFile file(store.FilePath());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(3600), QFileDevice::FileModificationTime));
        }
        QProcess peer;
        StartPeer(peer);
        QCOMPARE(Ask(peer, "get"), QByteArray("201"));

        const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(watch >= 0);
        QVERIFY(inotify_add_watch(watch, QFile::encodeName(QFileInfo(store.FilePath()).absolutePath()).constData(),
                                  IN_MOVED_FROM | IN_MOVED_TO) >= 0); // alternating, so none are merged
        QVERIFY(store.WriteInt("Ovantis", "LastStretchTopic", 202));
        int replaced = 0;
        alignas(inotify_event) char buffer[64 * 1024];
        for (ssize_t n; (n = read(watch, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if ((event->mask & IN_MOVED_TO) && event->len > 0 && QByteArray(event->name) == "Stretch.conf")
                    ++replaced;
                at += ssize_t(sizeof(inotify_event)) + event->len;
            }
        }
        close(watch);
        QCOMPARE(replaced, 1);
        QCOMPARE(store.ReadInt("Ovantis", "LastStretchTopic", 0), 202);
        QCOMPARE(Ask(peer, "get"), QByteArray("202"));
        peer.closeWriteChannel();
        QVERIFY(peer.waitForFinished(10000));
    }

    void DamagedFileIsCopiedBeforeTheNextWrite_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("kept"); // "Section/Name=value" still read afterwards

        QTest::newRow("line without '='")
            << QByteArray("[Preferences]\nActivation%20Mode=2\nthis is not a setting\nLastAppX=5\n")
            << QStringList{"Preferences/Activation Mode=2", "Preferences/LastAppX=5"};
        QTest::newRow("section without ']'")
            << QByteArray("[Ovantis]\nLastStretchTopic=250\n[Preferences\nLastAppY=9\n")
            << QStringList{"Ovantis/LastStretchTopic=250"};
        QTest::newRow("quote left open")
            << QByteArray("[Preferences]\nHotKey%20Keycode=70\nSoundPath=\"/tmp/x.wav\nLastAppX=5\n")
            << QStringList{"Preferences/HotKey Keycode=70"};
        QTest::newRow("key given twice")
            << QByteArray("[Preferences]\nLastAppX=1\nLastAppY=3\nLastAppX=2\n")
            << QStringList{"Preferences/LastAppX=2", "Preferences/LastAppY=3"};
        QTest::newRow("not UTF-8")
            << QByteArray("[Preferences]\nNotification%20Sound=Caf\xe9\nLastAppX=5\n")
            << QStringList{"Preferences/LastAppX=5"};
        QTest::newRow("value QSettings cannot decode")
            << QByteArray("[Preferences]\nLastAppX=5\nSoundPath=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x5junk)\n")
            << QStringList{"Preferences/LastAppX=5"};
        QTest::newRow("list item QSettings cannot decode")
            << QByteArray("[Preferences]\nSoundPath=one, @Invalid(), @Variant(\\0\\0\\0\\x7f)\nLastAppY=7\n")
            << QStringList{"Preferences/LastAppY=7"};
        // Never decoded: a few such bytes make Qt claim gigabytes.
        QTest::newRow("streamed value spelt through an escape")
            << QByteArray("[Preferences]\nSoundPath=one, \\x40Variant(\\0\\0\\0\\x7f)\nLastAppY=7\n")
            << QStringList{"Preferences/LastAppY=7"};
        QTest::newRow("streamed value claiming gigabytes")
            << QByteArray("[Preferences]\nLastAppX=5\nSoundPath=@Variant(\\0\\0\\0\\f\\0\\x7f\\xff\\xff\\xff)\n")
            << QStringList{"Preferences/LastAppX=5"};
        QTest::newRow("binary junk")
            << QByteArray("\x7f\x45\x4c\x46\x02\x01\x01\x00\x00\x00\n\x10\x11[\x12\n", 16)
            << QStringList{};
    }
    void DamagedFileIsCopiedBeforeTheNextWrite()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, kept);
        CSettingsStore store;
        WriteFile(store.FilePath(), file);

        // Reading changes nothing and reports nothing.
        store.ReadInt("Preferences", "LastAppX", 0);
        QVERIFY(DamagedCopies(store.FilePath()).isEmpty());
        QCOMPARE(ReadFile(store.FilePath()), file);

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Stretch.conf is damaged .*kept as .*Stretch\\.conf\\.damaged-"));
        QVERIFY(store.WriteInt("Preferences", "Notification Sound Volume", 3));
        const QStringList copies = DamagedCopies(store.FilePath());
        QCOMPARE(copies.size(), 1);
        QCOMPARE(ReadFile(QFileInfo(store.FilePath()).absolutePath() + "/" + copies.first()), file);

        for (const QString& entry : kept) {
            const QString key = entry.section('=', 0, 0);
            QCOMPARE(store.ReadString(key.section('/', 0, 0), key.section('/', 1), "missing"),
                     entry.section('=', 1).toLatin1());
        }
        QCOMPARE(store.ReadInt("Preferences", "Notification Sound Volume", 0), 3);

        // The file is whole again: later writes copy nothing and say nothing.
        QVERIFY(store.WriteInt("Preferences", "LastPrefsX", 12));
        CSettingsStore other;
        QVERIFY(other.WriteInt("Preferences", "LastPrefsY", 13));
        QCOMPARE(DamagedCopies(store.FilePath()).size(), 1);
        QCOMPARE(store.ReadInt("Preferences", "Notification Sound Volume", 0), 3);
        QCOMPARE(other.ReadInt("Preferences", "LastPrefsX", 0), 12);
    }

    void HandWrittenFileIsNotDamaged()
    {
        CSettingsStore store;
        const QByteArray file = "; written by hand\n[Preferences]\nActivation%20Mode=1 ; clock\n"
                                "Notification%20Sound=\"Bell, Tibetan\"\nSoundPath=/home/me@work/bell.wav\n"
                                "LastAppY=@Invalid()\n\n[Ovantis]\nLastStretchTopic=301\n";
        WriteFile(store.FilePath(), file);
        QVERIFY(store.WriteInt("Preferences", "LastAppX", 1));
        QVERIFY(DamagedCopies(store.FilePath()).isEmpty());
        QCOMPARE(store.ReadInt("Preferences", "Activation Mode", 0), 1);
        QCOMPARE(store.ReadString("Preferences", "Notification Sound", ""), QByteArray("Bell, Tibetan"));
        QCOMPARE(store.ReadInt("Ovantis", "LastStretchTopic", 0), 301);
        QCOMPARE(store.ReadString("Preferences", "SoundPath", ""), QByteArray("/home/me@work/bell.wav"));
    }

    void UnwritableFileKeepsTheOldValue()
    {
        CSettingsStore store;
        QVERIFY(store.WriteInt("Preferences", "LastAppX", 1));
        const QString dir = QFileInfo(store.FilePath()).absolutePath();
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
        if (QFileInfo(dir).isWritable()) { // root ignores permissions
            QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("permissions are not enforced for this user");
        }
        const bool written = store.WriteInt("Preferences", "LastAppX", 2);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!written);
        CSettingsStore fresh;
        QVERIFY(ReadFile(fresh.FilePath()).contains("LastAppX=1\n"));
    }

    void RejectsNamesThatWouldNest()
    {
        CSettingsStore store;
        QVERIFY(!store.WriteInt("Preferences", "a/b", 1));
        QVERIFY(!store.WriteInt("", "LastAppX", 1));
        QVERIFY(!store.WriteString("Pre\\ferences", "x", "y"));
        QCOMPARE(store.ReadInt("Preferences", "a/b", 5), 5);
        QVERIFY(!QFile::exists(store.FilePath()));
    }

    void ReadsEverythingStored()
    {
        CSettingsStore store;
        QVERIFY(store.WriteInt(Settings::kLastStretchTopic, 205));
        QVERIFY(store.WriteString(Settings::kSequence, "\x01\xff"));
        WriteFile(store.FilePath(), ReadFile(store.FilePath()) + "[Other]\nDeep\\Key=x\nGone=@Invalid()\n");
        const QList<CSettingsStore::Stored> all = store.ReadAll();
        QCOMPARE(all.size(), 3);
        QCOMPARE(all[0].section, "Other");
        QCOMPARE(all[0].name, "Deep/Key");
        QCOMPARE(all[0].bytes, "x");
        QCOMPARE(all[1].section, "Ovantis");
        QCOMPARE(all[1].name, "LastStretchTopic");
        QCOMPARE(all[1].bytes, "205");
        QCOMPARE(all[2].section, "Preferences");
        QCOMPARE(all[2].name, "Sequence");
        QCOMPARE(all[2].bytes, "\x01\xff");
    }

private:
    void StartPeer(QProcess& peer)
    {
        peer.setProgram(SETTINGS_PEER_PATH);
        peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        peer.start();
        QVERIFY2(peer.waitForStarted(10000), qPrintable(peer.errorString()));
    }

    QByteArray Ask(QProcess& peer, const QByteArray& command)
    {
        peer.write(command + "\n");
        while (!peer.canReadLine()) {
            if (!peer.waitForReadyRead(10000))
                return "no answer";
        }
        return peer.readLine().trimmed();
    }

    std::unique_ptr<TestHome> m_home;
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "SettingsStoreTest.moc"
