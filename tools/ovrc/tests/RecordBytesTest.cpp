// Records compiled from the source notation must be byte for byte the
// records of the published layouts. The expected bytes are written out here
// by hand from those layouts, not produced by our tables.
#include "ContentCompiler.h"
#include "formats/ScriptFormat.h"
#include "formats/SoundListFormat.h"
#include "formats/StrListFormat.h"
#include "formats/StyledTextFormat.h"
#include "formats/TriggerFormat.h"

#include <QTest>

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

QByteArray Bytes(const std::vector<uint8_t>& v) { return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size())); }

/// Compiles one source text; the resource of this type and name.
QByteArray Compile(const QString& source, const char* type, const ResName& name)
{
    ContentCompiler compiler;
    const bool ok = compiler.CompileText(source.toStdString(), "test.ovs", ".") && compiler.Finish();
    if (!ok) {
        for (const auto& e : compiler.Errors())
            qWarning("%s", e.c_str());
        return "compile failed";
    }
    for (const BuiltResource& r : compiler.Resources())
        if (r.type.Matches(ResName(type)) && r.name.Matches(name))
            return Bytes(r.data);
    return "not found";
}

} // namespace

class RecordBytesTest : public QObject {
    Q_OBJECT
private slots:
    void ScriptStatement_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("DrawText") << "DrawText text=2000 rect=24,14,0,0"
                                  << Hex("0100 d007 18000000 0e000000 00000000 00000000");
        QTest::newRow("DrawPict") << "DrawPict picture=1001 rect=10,20,30,40 selector=-2"
                                  << Hex("0200 e903 0a000000 14000000 1e000000 28000000 feff");
        QTest::newRow("DrawRect") << "DrawRect rect=1,2,3,4 colour=#112233 width=5"
                                  << Hex("0300 01000000 02000000 03000000 04000000 11223300 0500 0000");
        QTest::newRow("DrawLine") << "DrawLine line=-1,2,300,4 colour=0x00ABCDEF width=65535"
                                  << Hex("0400 ffffffff 02000000 2c010000 04000000 efcdab00 ffff");
        QTest::newRow("Delay") << "Delay ms=40000" << Hex("0500 409c");
        QTest::newRow("Update") << "Update rect=0,0,620,480" << Hex("0600 00000000 00000000 6c020000 e0010000");
        QTest::newRow("Cycle") << "Cycle count=3" << Hex("0700 0300");
        QTest::newRow("New") << "New script=4002" << Hex("0800 a20f");
        QTest::newRow("NOP") << "NOP" << Hex("0900 0000");
        QTest::newRow("End") << "End" << Hex("0a00 0000");
        QTest::newRow("Tile") << "Tile picture=1000 rect=0,0,620,440"
                              << Hex("0b00 e803 00000000 00000000 6c020000 b8010000");
        QTest::newRow("RectFill") << "RectFill rect=5,6,7,8 colour=#ff0000"
                                  << Hex("0c00 05000000 06000000 07000000 08000000 ff000000");
        QTest::newRow("fields in any order, any case") << "drawpict Selector=-1 RECT=-5,0,0,0 picture=65535"
                                                       << Hex("0200 ffff fbffffff 00000000 00000000 00000000 ffff");
        QTest::newRow("kept pad bytes") << "DrawRect rect=0,0,0,0 colour=0 width=0 pad=0x1234"
                                        << Hex("0300 00000000 00000000 00000000 00000000 00000000 0000 3412");
    }
    void ScriptStatement()
    {
        QFETCH(QString, statement);
        QFETCH(QByteArray, record);
        const QByteArray script = Compile("script 77\n  " + statement + "\nend\n", "Scrp", 77);
        QCOMPARE(script, Hex("0000 0100") + record);
    }

    void ScriptHeaderAndSequence()
    {
        // A DrawRect (26 bytes) and a DrawLine (24 bytes) stay in step; the
        // header's first word is kept when given.
        const QByteArray script = Compile("script 5\n  reserved 7\n  DrawRect rect=1,1,2,2 colour=#000000 width=1\n"
                                          "  DrawLine line=3,3,4,4 colour=#ffffff width=2\n  End\nend\n",
                                          "Scrp", 5);
        QCOMPARE(script, Hex("0700 0300"
                             "0300 01000000 01000000 02000000 02000000 00000000 0100 0000"
                             "0400 03000000 03000000 04000000 04000000 ffffff00 0200"
                             "0a00 0000"));
    }

    void TopicHeaderAndTriggers()
    {
        const QByteArray trig = Compile("topic 300\n  flags 1\n  code \"NECK\"\n"
                                        "  trigger Background script=2000\n"
                                        "  trigger MouseClick script=2001 rect=10,20,30,40 rect=1,2,3,4\n"
                                        "  trigger 5 script=7 rects=-2\nend\n",
                                        "Trig", 300);
        QCOMPARE(trig, Hex("0000 01 00 00000000 4e45434b 0300"
                           "0200 d007 0000"
                           "0600 d107 0200 0a000000 14000000 1e000000 28000000 01000000 02000000 03000000 04000000"
                           "0500 0700 feff"));
        // The code's integer form puts the first stored byte highest.
        QCOMPARE(Formats::Trigger::CodeValue({0x4e, 0x45, 0x43, 0x4b}), 0x4e45434bu);
    }

    void StyledTextPair()
    {
        const QString source = "text 7\n"
                               "  style lineHeight=30 ascent=22 font=1 face=bold+underline size=22 colour=#006600\n"
                               "    \"Big\"\n"
                               "  style lineHeight=12 ascent=9 font=0 face=italic size=9 colour=#000000\n"
                               "    \"small \\\\V\\r\\n\"\nend\n";
        QCOMPARE(Compile(source, "Styt", 7), QByteArray("Bigsmall \\V\r\n"));
        QCOMPARE(Compile(source, "styl", 7), Hex("0200"
                                                 "00000000 1e00 1600 0100 0005 1600 00660000"
                                                 "03000000 0c00 0900 0000 0002 0900 00000000"));
        QCOMPARE(Compile("styl 8\n  count -1\n  run start=4 lineHeight=-1 ascent=0 font=2 face=0x8100 size=0 "
                         "colour=0x01020304\nend\n",
                         "styl", 8),
                 Hex("ffff 04000000 ffff 0000 0200 0081 0000 04030201"));
    }

    void StringList()
    {
        // UTF-8 in the source, Windows-1252 in the module: é is 0xE9, the
        // ellipsis 0x85, the trade mark sign 0x99.
        const QByteArray list = Compile(QString::fromUtf8("strlist 200\n  \"A\"\n  \"\"\n  \"Café…™\"\nend\n"), "STR#", 200);
        QCOMPARE(list, Hex("0300 0141 00 06436166e98599"));
        const std::string longest(255, 'x');
        QCOMPARE(Compile(QString::fromStdString("strlist 1\n  \"" + longest + "\"\nend\n"), "STR#", 1),
                 Hex("0100 ff") + QByteArray(255, 'x'));
    }

    void SequenceEntriesReverseTheCode()
    {
        const QByteArray sequence = Compile("topic 200\n  code \"NECK\"\nend\n"
                                            "sequence 200\n  routine 200\n  code \"STR1\"\n  code 0x41424344\nend\n",
                                            "Stsq", 200);
        QCOMPARE(sequence, Hex("4b43454e 31525453 44434241"));
        // A routine in two languages is read in the lower language id, and
        // so is its code.
        const QByteArray twoLanguages = Compile("topic 200\n  code \"NECK\"\nend\n"
                                                "topic 200 lang=1031\n  code \"GERM\"\nend\n"
                                                "sequence 200\n  routine 200\nend\n",
                                                "Stsq", 200);
        QCOMPARE(twoLanguages, Hex("4d524547"));
    }

    void SoundList()
    {
        ContentCompiler compiler;
        QVERIFY(compiler.CompileText("soundlist\n  sound bell \"Tibetan Bell\"\n  sound \"Two\" \"B\"\nend\n", "t.ovs", "."));
        QCOMPARE(compiler.Resources().size(), size_t(1));
        const BuiltResource& r = compiler.Resources()[0];
        QVERIFY(r.type.IsId() && r.type.Id() == 10);
        QCOMPARE(QByteArray::fromStdString(r.name.ToString()), QByteArray("SOUNDLIST"));
        QCOMPARE(Bytes(r.data), QByteArray("BELL\0Tibetan Bell\0TWO\0B\0", 24));
    }

    // Decoding through the tables, as the engine does.
    void ScriptDecodingStopsAtUnknownOpcode()
    {
        // Three records, the second with opcode 13: only the first is taken.
        const QByteArray bytes = Hex("0000 0300 0900 0000 0d00 0000 0a00 0000");
        auto view = Formats::Script::DecodeScript(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), size_t(bytes.size())));
        QVERIFY(view);
        QCOMPARE(view->records.size(), size_t(1));
        QVERIFY(view->stoppedAtUnknownOpcode);
        QCOMPARE(view->end, size_t(8));
    }

    void ScriptDecodingNeverReadsPastTheEnd()
    {
        // A DrawRect needs 26 bytes; 25 are there after a good NOP.
        QByteArray bytes = Hex("0000 0200 0900 0000 0300") + QByteArray(23, '\0');
        auto view = Formats::Script::DecodeScript(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), size_t(bytes.size())));
        QVERIFY(view);
        QCOMPARE(view->records.size(), size_t(1));
        QCOMPARE(view->records[0].op->name, std::string_view("NOP"));
        QVERIFY(view->truncated);
        QVERIFY(!Formats::Script::DecodeScript(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), 3)));
    }

    void TriggerDecoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("records");
        QTest::addColumn<bool>("truncated");
        QTest::addColumn<int>("end");
        const QByteArray header = Hex("0000 00 00 00000000 41424344");
        QTest::newRow("count 0") << header + Hex("0000") << 0 << false << 14;
        QTest::newRow("negative count") << header + Hex("ffff 0100 0100 0000") << 0 << false << 14;
        QTest::newRow("no rectangles take 6 bytes")
            << header + Hex("0200 0100 0100 0000 0600 0200 0000") << 2 << false << 26;
        QTest::newRow("negative rectangle count moves forward by 6")
            << header + Hex("0200 0100 0100 ffff 0200 0200 0000") << 2 << false << 26;
        QTest::newRow("rectangle cut short")
            << header + Hex("0100 0100 0100 0100") + QByteArray(15, '\0') << 0 << true << 14;
        QTest::newRow("count beyond the records") << header + Hex("0300 0100 0100 0000") << 1 << true << 20;
    }
    void TriggerDecoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, records);
        QFETCH(bool, truncated);
        QFETCH(int, end);
        auto view = Formats::Trigger::DecodeTrig(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), size_t(bytes.size())));
        QVERIFY(view);
        QCOMPARE(int(view->triggers.size()), records);
        QCOMPARE(view->truncated, truncated);
        QCOMPARE(int(view->end), end);
        QCOMPARE(view->code, (std::array<uint8_t, 4>{'A', 'B', 'C', 'D'}));
    }

    void StringListDecoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<bool>("truncated");
        QTest::newRow("count 0") << Hex("0000 0141") << QStringList{} << false;
        QTest::newRow("empty entry") << Hex("0200 00 0142") << QStringList{"", "B"} << false;
        // L = 3 but a zero after 'a': the text is "a" and the next entry
        // starts at the zero byte, which reads as an empty entry.
        QTest::newRow("zero byte ends the text") << Hex("0200 03 61 00 62") << QStringList{"a", ""} << false;
        QTest::newRow("entry cut by the end") << Hex("0200 05 6162") << QStringList{"ab"} << true;
        QTest::newRow("count beyond the entries") << Hex("0300 0141") << QStringList{"A"} << true;
    }
    void StringListDecoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);
        QFETCH(bool, truncated);
        auto view = Formats::StrList::DecodeStrList(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), size_t(bytes.size())));
        QVERIFY(view);
        QStringList got;
        for (const auto& e : view->entries)
            got << QString::fromStdString(e);
        QCOMPARE(got, entries);
        QCOMPARE(view->truncated, truncated);
    }

    void StyleRunsDecoding()
    {
        // Count 2 but only one whole run and 17 bytes of the next.
        QByteArray bytes = Hex("0200 05000000 1400 1000 0100 0001 1000 11223300") + QByteArray(17, '\0');
        auto view = Formats::StyledText::DecodeStyl(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), size_t(bytes.size())));
        QVERIFY(view);
        QCOMPARE(view->runs.size(), size_t(1));
        QVERIFY(view->truncated);
        const auto& run = view->runs[0];
        QCOMPARE(run.start, 5u);
        QCOMPARE(run.lineHeight, int16_t(20));
        QCOMPARE(run.ascent, int16_t(16));
        QCOMPARE(run.font, int16_t(1));
        QCOMPARE(run.face, uint16_t(0x100));
        QCOMPARE(run.size, int16_t(16));
        QCOMPARE(run.colour, 0x332211u);
    }

    void SoundListLookUp()
    {
        using namespace Formats::SoundList;
        const QByteArray bytes("wa\0A\0wb\0B\0", 10);
        const auto list = DecodeSoundList(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), size_t(bytes.size())));
        QCOMPARE(list.pairs.size(), size_t(2));
        QVERIFY(!list.incomplete);
        QCOMPARE(WaveNameOf(list, "B"), std::string("wb"));
        QCOMPARE(WaveNameOf(list, "A"), std::string("wa"));
        QCOMPARE(WaveNameOf(list, "C"), std::string("wb"));
        QCOMPARE(WaveNameOf(list, "a"), std::string("wb"));
        QCOMPARE(WaveNameOf(DecodeSoundList({}), "A"), std::string());
        const QByteArray cut("wa\0A\0wb", 7);
        const auto partial = DecodeSoundList(std::span(reinterpret_cast<const uint8_t*>(cut.data()), size_t(cut.size())));
        QVERIFY(partial.incomplete);
        QCOMPARE(partial.pairs.size(), size_t(2));
        QCOMPARE(partial.pairs[1].waveName, std::string("wb"));
    }
};

QTEST_GUILESS_MAIN(RecordBytesTest)
#include "RecordBytesTest.moc"
