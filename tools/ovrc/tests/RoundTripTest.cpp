// Any module, dumped to sources and built again, lists the same resources:
// our own content, modules made by the GNU and LLVM tool chains from .rc
// files written here, and modules with bytes the notation cannot hold.
#include "ContentModule.h"
#include "OvrcRunner.h"
#include "PeResourceWriter.h"
#include "TestHome.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

std::vector<uint8_t> Vec(const QByteArray& b) { return std::vector<uint8_t>(b.begin(), b.end()); }

/// Lists `module`, dumps it, builds the dump and lists that; both lists
/// must be equal and not empty. *dumpSummary gets ovrc dump's summary line.
void CheckRoundTrip(const QString& module, const QString& work, QString* dumpSummary)
{
    const RunResult before = Ovrc({"list", module});
    QVERIFY2(before.exitCode == 0, before.err.constData());
    QVERIFY(!before.out.isEmpty());
    const RunResult dumped = Ovrc({"dump", module, "-o", work + "/dump"});
    QVERIFY2(dumped.exitCode == 0, dumped.err.constData());
    *dumpSummary = QString::fromUtf8(dumped.out).trimmed();
    const RunResult rebuilt = Ovrc({"build", work + "/dump", "-o", work + "/rebuilt.dll"});
    QVERIFY2(rebuilt.exitCode == 0, (rebuilt.err + "\n" + ReadBytes(work + "/dump/content.ovs")).constData());
    const RunResult after = Ovrc({"list", work + "/rebuilt.dll"});
    QCOMPARE(after.exitCode, 0);
    QCOMPARE(QString::fromUtf8(after.out), QString::fromUtf8(before.out));
}

} // namespace

class RoundTripTest : public QObject {
    Q_OBJECT
private slots:
    void init() { m_home = std::make_unique<TestHome>(); }
    void cleanup() { m_home.reset(); }

    void OurContent()
    {
        QTemporaryDir dir;
        const QString module = dir.filePath("OvantisRes.dll");
        const RunResult built = Ovrc({"build", SourcePath("contentsrc"), "-o", module});
        QVERIFY2(built.exitCode == 0, built.err.constData());
        QString summary;
        CheckRoundTrip(module, dir.path(), &summary);
        if (QTest::currentTestFailed())
            return;
        // Everything of ours reads back as source, and builds the same bytes.
        QVERIFY2(summary.endsWith(" 0 kept raw"), qPrintable(summary));
        QCOMPARE(ReadBytes(dir.filePath("rebuilt.dll")), ReadBytes(module));
        const QString source = QString::fromUtf8(ReadBytes(dir.filePath("dump/content.ovs")));
        QVERIFY(!source.contains("option checks=off"));
        QVERIFY(source.contains("sound \"BELL\" \"Tibetan Bell\""));
        QVERIFY(source.contains("  New script=4002\n"));

        // Every kind the programs read is in the module.
        auto content = ContentModule::FromFile(module.toStdString());
        QVERIFY(content);
        for (const auto& [type, name] : std::vector<std::pair<ResName, ResName>>{
                 {"Trig", 200}, {"Trig", 201}, {"Trig", 300}, {"Trig", 301}, {"Trig", 400}, {"STR#", 200},
                 {"STR#", 202}, {"STR#", 302}, {"STR#", 401}, {"Stsq", 200}, {kRtBitmap, 253},
                 {kRtRcdata, "soundlist"}, {"WAVE", "bell"}, {"Scrp", 2001}, {"Styt", 2001}, {"styl", 2001}})
            QVERIFY2(content->Find(type, name), (type.ToString() + "/" + name.ToString()).c_str());
    }

    void IndependentlyBuiltModules_data()
    {
        QTest::addColumn<bool>("useLld");
        QTest::newRow("windres + ld") << false;
        QTest::newRow("windres .res + lld-link") << true;
    }
    void IndependentlyBuiltModules()
    {
        QFETCH(bool, useLld);
        QTemporaryDir dir;
        // Resource bytes written out by hand from the layouts.
        QVERIFY(WriteBytes(dir.filePath("rc/trig200.bin"),
                           Hex("0000 00 00 00000000 4e45434b 0200 0200 d007 0000 0600 d107 0100 0a000000 14000000 "
                               "1e000000 28000000")));
        QVERIFY(WriteBytes(dir.filePath("rc/trig200de.bin"), Hex("0000 01")));
        QVERIFY(WriteBytes(dir.filePath("rc/scrp2000.bin"),
                           Hex("0000 0300 0200 fd00 00000000 00000000 00000000 00000000 ffff 0900 0000 0100 0500 "
                               "0a000000 14000000 00000000 00000000")));
        QVERIFY(WriteBytes(dir.filePath("rc/scrp2001.bin"), Hex("0000 0100 0a00 0000 dead")));
        QVERIFY(WriteBytes(dir.filePath("rc/styt5.bin"), "Stretch\rnow"));
        QVERIFY(WriteBytes(dir.filePath("rc/styl5.bin"), Hex("0200 00000000 1400 1000 0100 0001 1000 00008000 "
                                                             "08000000 1000 0c00 0000 0000 0c00 00000000")));
        QVERIFY(WriteBytes(dir.filePath("rc/stsq.bin"), Hex("4b43454e 4b43454e")));
        QVERIFY(WriteBytes(dir.filePath("rc/sounds.bin"), QByteArray("BELL\0Tibetan Bell\0", 18)));
        QVERIFY(WriteBytes(dir.filePath("rc/other.bin"), "anything at all"));
        QVERIFY(QFile::copy(SourcePath("contentsrc/pictures/tip-1050.bmp"), dir.filePath("rc/tip.bmp")));
        QVERIFY(QFile::copy(SourcePath("contentsrc/sounds/wood-block.wav"), dir.filePath("rc/bell.wav")));
        QVERIFY(WriteBytes(dir.filePath("rc/m.rc"), R"(LANGUAGE 9, 1
200 Trig "trig200.bin"
2000 Scrp "scrp2000.bin"
2001 Scrp "scrp2001.bin"
5 Styt "styt5.bin"
5 styl "styl5.bin"
200 Stsq "stsq.bin"
soundlist RCDATA "sounds.bin"
Bell WAVE "bell.wav"
1050 BITMAP "tip.bmp"
Notes myType "other.bin"
LANGUAGE 7, 1
200 Trig "trig200de.bin"
)"));
        const QString module = dir.filePath("m.dll");
        QString log;
        QVERIFY2(useLld ? BuildWithLldLink(dir.filePath("rc/m.rc"), module, &log)
                        : BuildWithWindresLd(dir.filePath("rc/m.rc"), module, &log),
                 qPrintable(log));

        QString summary;
        CheckRoundTrip(module, dir.path(), &summary);
        if (QTest::currentTestFailed())
            return;
        // Kept raw: the cut topic, the script with bytes after its records,
        // the unknown type.
        QVERIFY2(summary.endsWith(": 8 resources as source, 3 kept raw"), qPrintable(summary));
        const QString source = QString::fromUtf8(ReadBytes(dir.filePath("dump/content.ovs")));
        QVERIFY(source.contains("option checks=off"));
        QVERIFY(source.contains("  trigger MouseClick script=2001 rect=10,20,30,40\n"));
        QVERIFY(source.contains("  DrawPict picture=253 rect=0,0,0,0 selector=-1\n  NOP\n"
                                "  DrawText text=5 rect=10,20,0,0\n"));
        QVERIFY(source.contains("raw \"TRIG\" 200 lang=1031 file="));

        // windres turns a BMP file into a packed DIB as ovrc does.
        auto theirs = ContentModule::FromFile(module.toStdString());
        QVERIFY(theirs);
        QVERIFY(WriteBytes(dir.filePath("own/a.ovs"), "option checks=off\nbitmap 1050 file=../rc/tip.bmp\n"));
        QCOMPARE(Ovrc({"build", dir.filePath("own"), "-o", dir.filePath("own.dll")}).exitCode, 0);
        auto ours = ContentModule::FromFile(dir.filePath("own.dll").toStdString());
        QVERIFY(ours);
        const auto* a = theirs->Find(kRtBitmap, 1050);
        const auto* b = ours->Find(kRtBitmap, 1050);
        QVERIFY(a && b);
        QVERIFY(std::ranges::equal(a->data, b->data));
    }

    void BytesTheNotationCannotHoldStayRaw()
    {
        PeResourceWriter writer;
        auto add = [&](ResName type, ResName name, QByteArray bytes, uint16_t language = 1033) {
            writer.Add({type, name, language, Vec(bytes)});
        };
        // Decodable: become source.
        add("TRIG", 300, Hex("0000 01 00 00000000 00000000 ffff"));                 // negative count
        add("SCRP", 1, Hex("0500 0200 0900 0000"));                               // counts 2, holds 1
        add("STYT", 2, "one\ntwo");
        add("STYL", 2, Hex("0200 04000000 0a00 0800 0000 0000 0800 00000000 00000000 0a00 0800 0000 0000 0800 00000000"));
        add("STR#", 7, Hex("0100 00"));
        // Not decodable or not reproducible: raw.
        add("TRIG", "mixedCase", Hex("0000 00 00 00000000 00000000 0000"));       // builds upper-case names
        add("SCRP", 2, Hex("0000 0200 0900 0000 0d00 0000"));                     // opcode 13
        add("STR#", 8, Hex("0200 03 61 00 62"));                                  // zero byte inside
        add("STSQ", 200, Hex("41424344 4546"));                                   // half an entry
        add(kRtBitmap, 9, Hex("28000000 01000000"));                              // not a DIB
        add("WAVE", "X", "RIFF....AVI ");                                         // not a wave
        add(kRtRcdata, "SOUNDLIST", QByteArray("A\0B", 3));                       // unterminated
        add(kRtRcdata, "soundlist", QByteArray("A\0B\0", 4));                     // lower-case name
        add(77, 1, "", 0);
        add("STYT", 3, "x", 2057);
        std::vector<uint8_t> image;
        QVERIFY(writer.Write(&image));
        QTemporaryDir dir;
        QVERIFY(WriteBytes(dir.filePath("odd.dll"), QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size()))));
        QString summary;
        CheckRoundTrip(dir.filePath("odd.dll"), dir.path(), &summary);
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(summary.endsWith(": 6 resources as source, 9 kept raw"), qPrintable(summary));
        const QString source = QString::fromUtf8(ReadBytes(dir.filePath("dump/content.ovs")));
        // The styl runs are out of order, so the pair is written as two blocks.
        QVERIFY(source.contains("styt 2\n  \"one\\n\"\n  \"two\"\nend\n"));
        QVERIFY(source.contains("  count -1\n"));
        QVERIFY(source.contains("script 1\n  reserved 5\n  count 2\n  NOP\nend\n"));
        QVERIFY(source.contains("raw \"TRIG\" \"mixedCase\" file="));
    }

    void NamesKeepEveryCharacterAndAnyLength()
    {
        // Two names that differ only outside Windows-1252, a name no file
        // name could hold, and one that differs from it only at its end.
        const std::string chinese = "\xe4\xb8\xad" "A", japanese = "\xe6\x96\x87" "A";
        const std::string longName = std::string(300, 'N'), longName2 = std::string(299, 'N') + "M";
        PeResourceWriter writer;
        for (const std::string& name : {chinese, japanese, longName, longName2})
            writer.Add({"OTHER", ResName(name), 1033, Vec(QByteArray::fromStdString(name.substr(0, 4)))});
        std::vector<uint8_t> image;
        QVERIFY(writer.Write(&image));
        QTemporaryDir dir;
        const QString module = dir.filePath("names.dll");
        QVERIFY(WriteBytes(module, QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size()))));

        auto loaded = ContentModule::FromFile(module.toStdString());
        QVERIFY(loaded);
        QCOMPARE(loaded->Resources().Entries().size(), size_t(4));
        // ASCII letters match without regard to case, other characters exactly.
        const auto* found = loaded->Find("other", ResName("\xe4\xb8\xad" "a"));
        QVERIFY(found && std::ranges::equal(found->data, Vec(QByteArray::fromStdString(chinese.substr(0, 4)))));
        QVERIFY(!loaded->Find("OTHER", "?A"));

        QString summary;
        CheckRoundTrip(module, dir.path(), &summary);
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(summary.endsWith(": 0 resources as source, 4 kept raw"), qPrintable(summary));
        const QString source = QString::fromUtf8(ReadBytes(dir.filePath("dump/content.ovs")));
        QVERIFY(source.contains(QString::fromStdString("raw \"OTHER\" \"" + longName + "\" file=")));
        std::vector<ReadobjResource> listed;
        QString log;
        QVERIFY2(ReadWithLlvmReadobj(dir.filePath("rebuilt.dll"), &listed, &log), qPrintable(log));
        QStringList names;
        for (const ReadobjResource& r : listed)
            names << r.name;
        names.sort();
        QCOMPARE(names, (QStringList{QString::fromStdString(longName2), QString::fromStdString(longName),
                                     QString::fromStdString(chinese), QString::fromStdString(japanese)}));
    }

private:
    std::unique_ptr<TestHome> m_home;
};

QTEST_GUILESS_MAIN(RoundTripTest)
#include "RoundTripTest.moc"
