// What ovrc says when sources are wrong, when the content does not hang
// together, and when a file is not a module.
#include "OvrcRunner.h"
#include "Picture.h"
#include "TestHome.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// A small content set that passes every check.
const char* kBase =
    "topic 200\n"
    "  code \"NECK\"\n"
    "  trigger Background script=1\n"
    "end\n"
    "topic 300\n"
    "  flags 1\n"
    "  trigger Background script=1\n"
    "end\n"
    "script 1\n"
    "  DrawPict picture=253 rect=0,0,0,0 selector=-1\n"
    "  DrawText text=1 rect=0,0,0,0\n"
    "end\n"
    "text 1\n"
    "  style lineHeight=10 ascent=8 font=0 face=plain size=8 colour=#000000\n"
    "    \"Hi\"\n"
    "end\n"
    "strlist 200\n"
    "  \"A\"\n"
    "end\n"
    "strlist 201\n"
    "  \"A\"\n"
    "end\n"
    "strlist 202\n"
    "  \"A\"\n"
    "end\n"
    "strlist 300\n"
    "  \"B\"\n"
    "end\n"
    "strlist 301\n"
    "  \"B\"\n"
    "end\n"
    "strlist 302\n"
    "  \"B\"\n"
    "end\n"
    "strlist 400\n"
    "  \"Help\"\n"
    "end\n"
    "strlist 401\n"
    "  \"https://example.org/\"\n"
    "end\n"
    "bitmap 253 file=p.bmp\n"
    "wave BELL file=b.wav\n"
    "soundlist\n"
    "  sound BELL \"Tibetan Bell\"\n"
    "end\n"
    "sequence 200\n"
    "  routine 200\n"
    "end\n";

// An 8-bit 1 x 1 BMP with two colours, and a tiny 8-bit PCM wave, by hand.
QByteArray Bmp()
{
    return QByteArray::fromHex("424d 42000000 00000000 3e000000"
                               "28000000 01000000 01000000 0100 0800 00000000 04000000 00000000 00000000"
                               "02000000 00000000"
                               "00000000 ffffff00"
                               "01000000");
}
QByteArray Wave()
{
    return QByteArray::fromHex("52494646 26000000 57415645"
                               "666d7420 10000000 0100 0100 22560000 22560000 0100 0800"
                               "64617461 02000000 8080");
}

/// A packed DIB written field by field: 40-byte header, `colours` table
/// entries, then `pixelBytes` zero bytes.
QByteArray Dib(qint32 width, qint32 height, quint16 bits, quint32 compression, int colours, int pixelBytes)
{
    QByteArray dib;
    auto put = [&](quint32 v, int size) {
        for (int i = 0; i < size; ++i)
            dib.append(char((v >> (8 * i)) & 0xFF));
    };
    put(40, 4);
    put(quint32(width), 4);
    put(quint32(height), 4);
    put(1, 2);
    put(bits, 2);
    put(compression, 4);
    put(quint32(pixelBytes), 4);
    put(0, 4);
    put(0, 4);
    put(quint32(colours), 4);
    put(0, 4);
    dib.append(QByteArray(4 * colours + pixelBytes, '\x7f'));
    return dib;
}

QByteArray BmpFile(const QByteArray& dib, int colours)
{
    QByteArray file("BM");
    auto put = [&](quint32 v) {
        for (int i = 0; i < 4; ++i)
            file.append(char((v >> (8 * i)) & 0xFF));
    };
    put(quint32(14 + dib.size()));
    put(0);
    put(quint32(14 + 40 + 4 * colours));
    return file + dib;
}

int LineOf(const QString& text, const QString& needle)
{
    const qsizetype at = text.indexOf(needle);
    return at < 0 ? -1 : int(text.left(at).count('\n')) + 1;
}

} // namespace

class DiagnosticsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { m_home = std::make_unique<TestHome>(); }
    void cleanup() { m_home.reset(); }

    void SourceErrorsNameFileAndLine_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("message");
        QTest::newRow("field of another statement") << "script 1\n  DrawPict picture=1 colour=#ff0000\nend\n" << 2
                                                    << "DrawPict has no field 'colour' (fields: picture, rect, selector)";
        QTest::newRow("unknown statement") << "script 1\n\n  Jump to=3\nend\n" << 3 << "unknown statement 'Jump'";
        QTest::newRow("unknown trigger kind") << "topic 200\n  trigger Sideways script=1\nend\n" << 2
                                              << "unknown trigger kind 'Sideways'";
        QTest::newRow("value too large") << "script 1\n  Delay ms=70000\nend\n" << 2 << "'ms' needs an integer that fits";
        QTest::newRow("bad rectangle") << "script 1\n  Update rect=1,2,3\nend\n" << 2 << "'rect' needs four integers";
        QTest::newRow("bad colour") << "script 1\n  RectFill rect=0,0,1,1 colour=#12345\nend\n" << 2
                                    << "'colour' needs a colour";
        QTest::newRow("field twice") << "script 1\n  Cycle count=1 count=2\nend\n" << 2 << "field 'count' is given twice";
        QTest::newRow("open string") << "strlist 200\n  \"unterminated\nend\n" << 2 << "string is not closed";
        QTest::newRow("block without end") << "# comment\nscript 1\n  NOP\n" << 2 << "'script' block has no 'end'";
        QTest::newRow("missing picture file") << "bitmap 253 file=missing.bmp\n" << 1 << "cannot read";
        QTest::newRow("device instead of a file") << "wave X file=/dev/zero\n" << 1 << "not a file";
        QTest::newRow("text before style") << "text 5\n  \"no style\"\nend\n" << 2 << "needs a 'style' line";
        QTest::newRow("not Windows-1252") << QString::fromUtf8("strlist 200\n  \"\u4e2d\"\nend\n") << 2
                                          << "Windows-1252 cannot store";
        QTest::newRow("entry too long") << "strlist 200\n  \"" + QString(256, 'x') + "\"\nend\n" << 1
                                        << "longer than 255 bytes";
        QTest::newRow("code not four characters") << "topic 200\n  code \"ABC\"\nend\n" << 2
                                                  << "needs exactly four characters";
        QTest::newRow("routine without topic") << "sequence 200\n  routine 201\nend\n" << 2 << "routine 201 has no topic";
        QTest::newRow("routine whose topic is cut short")
            << "raw \"Trig\" 200 file=short.bin\nsequence 200\n  routine 200\nend\n" << 3
            << "routine 200 has no code: its topic is shorter than a topic header";
        QTest::newRow("id out of range") << "script 70000\nend\n" << 1 << "is not a 16-bit id";
        QTest::newRow("unknown keyword") << "picture 5 file=x.bmp\n" << 1 << "unknown keyword 'picture'";
        QTest::newRow("defined twice") << "script 1\nend\n\nscript 1\nend\n" << 4 << "is already defined at";
        QTest::newRow("not a bitmap") << "bitmap 5 file=b.wav\n" << 1 << "not a BMP file";
        QTest::newRow("not a wave") << "wave X file=p.bmp\n" << 1 << "not a RIFF file";
    }
    void SourceErrorsNameFileAndLine()
    {
        QFETCH(QString, source);
        QFETCH(int, line);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(WriteBytes(dir.filePath("src/x.ovs"), "option checks=off\n" + source.toUtf8()));
        QVERIFY(WriteBytes(dir.filePath("src/p.bmp"), Bmp()));
        QVERIFY(WriteBytes(dir.filePath("src/b.wav"), Wave()));
        QVERIFY(WriteBytes(dir.filePath("src/short.bin"), "abc"));
        const RunResult r = Ovrc({"build", dir.filePath("src"), "-o", dir.filePath("out.dll")});
        QVERIFY(r.exitCode != 0);
        const QString err = QString::fromUtf8(r.err);
        const QString where = dir.filePath("src/x.ovs") + ":" + QString::number(line + 1) + ": ";
        QVERIFY2(err.contains(where) && err.contains(message), qPrintable("expected " + where + message + "\ngot: " + err));
        QVERIFY(!QFile::exists(dir.filePath("out.dll")));
    }

    void PicturesAreBuiltOnlyWhenTheyCanBeDrawn()
    {
        struct Case {
            const char* what;
            QByteArray dib;
            int colours;
            const char* refusal; // empty: builds and draws
        };
        const Case cases[] = {
            {"8 bits", Dib(2, 2, 8, 0, 2, 8), 2, ""},
            {"24 bits top-down", Dib(1, -3, 24, 0, 0, 12), 0, ""},
            {"4096 wide", Dib(4096, 1, 1, 0, 2, 512), 2, ""},
            {"32 bits", Dib(1, 1, 32, 0, 0, 4), 0, "32 bits per pixel"},
            {"16 bits with masks", Dib(2, 1, 16, 3, 0, 12 + 4), 3, "16 bits per pixel"},
            {"run-length 8 bits", Dib(2, 2, 8, 1, 2, 8), 2, "compression 1 is not supported"},
            {"4097 wide", Dib(4097, 1, 1, 0, 2, 516), 2, "4097 x 1 is out of range"},
        };
        for (const Case& c : cases) {
            const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(c.dib.constData()),
                                                 size_t(c.dib.size()));
            const bool draws = !DecodePicture(bytes).isNull();
            QTemporaryDir dir;
            QVERIFY(WriteBytes(dir.filePath("src/x.ovs"), "option checks=off\nbitmap 5 file=p.bmp\n"));
            QVERIFY(WriteBytes(dir.filePath("src/p.bmp"), BmpFile(c.dib, c.colours)));
            const RunResult r = Ovrc({"build", dir.filePath("src"), "-o", dir.filePath("out.dll")});
            const QString err = QString::fromUtf8(r.err);
            QVERIFY2((r.exitCode == 0) == draws, qPrintable(QString(c.what) + ": " + err));
            QCOMPARE(draws, *c.refusal == 0);
            if (!draws)
                QVERIFY2(err.contains(c.refusal) && err.contains("x.ovs:2: "), qPrintable(QString(c.what) + ": " + err));
        }
    }

    void ContentChecks_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("locatedAt"); // text whose line the message names; empty: no line
        QTest::addColumn<QString>("message");
        QTest::newRow("good") << "" << "" << "" << "";
        QTest::newRow("routine in a second language")
            << "topic 300" << "topic 200 lang=1031\n  code \"NECK\"\n  trigger Background script=1\nend\ntopic 300"
            << "" << "";
        QTest::newRow("routine list longer than the routines")
            << "strlist 201\n  \"A\"" << "strlist 201\n  \"A\"\n  \"A2\"" << "strlist 201"
            << "STR# 201 (stretch list names) has 2 entries, but there are 1 topics";
        QTest::newRow("topic names short") << "strlist 300\n  \"B\"" << "strlist 300" << "strlist 300"
                                           << "STR# 300 (topic menu names) has 0 entries, but there are 1 topics";
        QTest::newRow("help lists differ") << "strlist 401\n  \"https://example.org/\"" << "strlist 401" << "strlist 400"
                                           << "STR# 400 has 1 entries but STR# 401 has 0";
        QTest::newRow("title list missing") << "strlist 202\n  \"A\"\nend" << "" << ""
                                            << "STR# 202 (stretch titles) is missing";
        QTest::newRow("missing picture") << "picture=253" << "picture=999" << "picture=999" << "picture 999 is missing";
        QTest::newRow("missing script") << "trigger Background script=1\nend\ntopic 300"
                                        << "trigger Background script=77\nend\ntopic 300" << "script=77"
                                        << "script 77 is missing";
        QTest::newRow("script started by New") << "  DrawText text=1" << "  New script=5\n  DrawText text=1"
                                               << "New script=5" << "script 5 is missing";
        QTest::newRow("missing styled text") << "text=1 rect" << "text=9 rect" << "text=9" << "styled text 9 is missing";
        QTest::newRow("no palette") << "bitmap 253 file=p.bmp" << "bitmap 254 file=p.bmp" << ""
                                    << "palette bitmap 253 is missing";
        QTest::newRow("unknown trigger kind") << "trigger Background script=1\nend\ntopic 300"
                                              << "trigger 9 script=1\nend\ntopic 300" << "trigger 9"
                                              << "trigger kind 9 is not known";
        QTest::newRow("wave missing") << "sound BELL" << "sound GONG" << "soundlist" << "wave \"GONG\" of the soundlist is missing";
        QTest::newRow("no Tibetan Bell") << "\"Tibetan Bell\"" << "\"Temple Bell\"" << "soundlist"
                                         << "soundlist has no sound named \"Tibetan Bell\"";
        QTest::newRow("routine out of reach") << "topic 300" << "topic 202\n  code \"FAR \"\nend\ntopic 300"
                                              << "topic 202" << "topic 202 is never shown";
        QTest::newRow("sequence names no routine") << "routine 200" << "code \"ZZZZ\"" << "code \"ZZZZ\""
                                                   << "default sequence entry 0 names a code that no stretch routine has";
        QTest::newRow("two routines share a code") << "topic 300" << "topic 201\n  code \"NECK\"\nend\ntopic 300"
                                                   << "topic 201" << "routine 201 has the same code as routine 200";
    }
    void ContentChecks()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, locatedAt);
        QFETCH(QString, message);
        QString source = QString::fromUtf8(kBase);
        if (!from.isEmpty()) {
            QVERIFY2(source.contains(from), qPrintable(from));
            source.replace(source.indexOf(from), from.size(), to);
        }
        QTemporaryDir dir;
        QVERIFY(WriteBytes(dir.filePath("src/base.ovs"), source.toUtf8()));
        QVERIFY(WriteBytes(dir.filePath("src/p.bmp"), Bmp()));
        QVERIFY(WriteBytes(dir.filePath("src/b.wav"), Wave()));
        const RunResult r = Ovrc({"build", dir.filePath("src"), "-o", dir.filePath("out.dll")});
        const QString err = QString::fromUtf8(r.err);
        if (message.isEmpty()) {
            QVERIFY2(r.exitCode == 0, qPrintable(err));
            QVERIFY(QFile::exists(dir.filePath("out.dll")));
            return;
        }
        QVERIFY(r.exitCode != 0);
        QVERIFY(!QFile::exists(dir.filePath("out.dll")));
        QString expected = message;
        if (!locatedAt.isEmpty())
            expected = dir.filePath("src/base.ovs") + ":" + QString::number(LineOf(source, locatedAt)) + ": " + message;
        QVERIFY2(err.contains(expected), qPrintable("expected: " + expected + "\ngot: " + err));

        // With the checks off the same sources build.
        QVERIFY(WriteBytes(dir.filePath("src/off.ovs"), "option checks=off\n"));
        QCOMPARE(Ovrc({"build", dir.filePath("src"), "-o", dir.filePath("out.dll")}).exitCode, 0);
    }

    void ListRefusesWhatIsNotAModule_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("type=1 name=2\n");
        QTest::newRow("DOS header only") << QByteArray("MZ") + QByteArray(62, '\0');
        QTest::newRow("PE offset past the end") << QByteArray("MZ") + QByteArray(58, '\0') + QByteArray("\xff\x00\x00\x00", 4);
    }
    void ListRefusesWhatIsNotAModule()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        QVERIFY(WriteBytes(dir.filePath("x.dll"), bytes));
        const RunResult r = Ovrc({"list", dir.filePath("x.dll")});
        QVERIFY(r.exitCode != 0);
        QVERIFY(r.out.isEmpty());
        QVERIFY(r.err.contains("x.dll"));
        QVERIFY(Ovrc({"dump", dir.filePath("x.dll"), "-o", dir.filePath("d")}).exitCode != 0);
    }

    void MissingFileAndBadArguments()
    {
        QVERIFY(Ovrc({"list", "/nonexistent/OvantisRes.dll"}).exitCode != 0);
        QCOMPARE(Ovrc({}).exitCode, 2);
        QCOMPARE(Ovrc({"build", "x"}).exitCode, 2);
        QCOMPARE(Ovrc({"frobnicate", "a", "-o", "b"}).exitCode, 2);
        QTemporaryDir dir;
        QVERIFY(WriteBytes(dir.filePath("src/readme.txt"), "no sources here"));
        const RunResult r = Ovrc({"build", dir.filePath("src"), "-o", dir.filePath("o.dll")});
        QVERIFY(r.exitCode != 0);
        QVERIFY(r.err.contains("no .ovs source files"));
    }

private:
    std::unique_ptr<TestHome> m_home;
};

QTEST_GUILESS_MAIN(DiagnosticsTest)
#include "DiagnosticsTest.moc"
