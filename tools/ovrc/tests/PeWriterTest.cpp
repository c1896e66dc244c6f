// Modules written by ovrc, read back by llvm-readobj, by the GNU object
// dumper and by our own reader.
#include "ContentModule.h"
#include "OvrcRunner.h"
#include "PeResourceWriter.h"
#include "TestHome.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>

namespace {

QByteArray Bytes(std::span<const uint8_t> s) { return QByteArray(reinterpret_cast<const char*>(s.data()), qsizetype(s.size())); }

QString Key(const ResName& key) { return QString::fromStdString(key.ToString()); }

// Sources with names and ids mixed, several languages, an empty resource
// and one of odd length, with the build's checks off.
const char* kSources = R"(option checks=off
script 20
  NOP
end
script 3
  End
end
script "zeta"
  NOP
end
script "Alpha"
  NOP
end
styt 1
  "odd"
end
styt 1 lang=1031
  "ungerade"
end
styt 1 lang=7
  ""
end
raw "myType" "lower" file=raw.bin
raw 6 1 file=raw.bin
raw 300 "X" file=raw.bin
strlist 65535
  "last"
end
)";

} // namespace

class PeWriterTest : public QObject {
    Q_OBJECT
private slots:
    void init() { m_home = std::make_unique<TestHome>(); }
    void cleanup() { m_home.reset(); }

    void LlvmReadobjAndOurReaderAgree_data()
    {
        QTest::addColumn<bool>("shipped");
        QTest::newRow("names, ids and languages") << false;
        QTest::newRow("shipped content") << true;
    }
    void LlvmReadobjAndOurReaderAgree()
    {
        QFETCH(bool, shipped);
        QTemporaryDir dir;
        QVERIFY(WriteBytes(dir.filePath("src/a.ovs"), kSources));
        QVERIFY(WriteBytes(dir.filePath("src/raw.bin"), QByteArray("\x01\x02\x03", 3)));
        const QString module = dir.filePath("out/m.dll");
        const RunResult built = Ovrc({"build", shipped ? SourcePath("contentsrc") : dir.filePath("src"), "-o", module});
        QVERIFY2(built.exitCode == 0, built.err.constData());

        std::vector<ReadobjResource> listed;
        QString log;
        QVERIFY2(ReadWithLlvmReadobj(module, &listed, &log), qPrintable(log));

        std::string error;
        auto ours = ContentModule::FromFile(module.toStdString(), &error);
        QVERIFY2(ours, error.c_str());
        QVERIFY(ours->Resources().Warnings().empty());
        std::vector<ReadobjResource> read;
        for (const auto& e : ours->Resources().Entries())
            read.push_back({Key(e.type), Key(e.name), e.language, Bytes(e.data)});
        QCOMPARE(read.size(), listed.size());
        for (size_t i = 0; i < read.size(); ++i) {
            QCOMPARE(read[i].type, listed[i].type);
            QCOMPARE(read[i].name, listed[i].name);
            QCOMPARE(read[i].language, listed[i].language);
            QCOMPARE(read[i].data, listed[i].data);
        }
        if (shipped)
            return;

        // Directory order: names first, compared without regard to letter
        // case, then ids; names as the usual resource compilers store them,
        // upper-cased. Raw resources keep the case they were given.
        QStringList order;
        for (const auto& r : listed)
            order << r.type + "/" + r.name + "/" + QString::number(r.language);
        QCOMPARE(order, (QStringList{"myType/lower/1033", "SCRP/ALPHA/1033", "SCRP/ZETA/1033", "SCRP/3/1033",
                                     "SCRP/20/1033", "STR#/65535/1033", "STYT/1/7", "STYT/1/1031", "STYT/1/1033",
                                     "6/1/1033", "300/X/1033"}));
        QCOMPARE(listed[6].data, QByteArray());
        QCOMPARE(listed[8].data, QByteArray("odd"));
    }

    void NamesAreOrderedByTheirUpperCaseForm_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("underscore after letters") << "AAB" << "A_B";
        QTest::newRow("lower case among upper case") << "abc" << "ABD";
        QTest::newRow("lower case before a later letter") << "myType" << "SCRP";
        QTest::newRow("accented letters fold too") << QString::fromUtf8("\u00e9") << QString::fromUtf8("\u00caA");
        QTest::newRow("prefix first") << "AB" << "ab_";
        QTest::newRow("same but for case") << "ABC" << "abc";
    }
    void NamesAreOrderedByTheirUpperCaseForm()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        const ResName a(first.toStdString()), b(second.toStdString());
        QVERIFY(PeResourceWriter::Before(a, b));
        QVERIFY(!PeResourceWriter::Before(b, a));
        QVERIFY(PeResourceWriter::Before(b, ResName(0)));
    }

    void HeadersAreThoseOfAResourceOnlyPe32PlusDll()
    {
        QTemporaryDir dir;
        QVERIFY(WriteBytes(dir.filePath("src/a.ovs"), kSources));
        QVERIFY(WriteBytes(dir.filePath("src/raw.bin"), "x"));
        const QString module = dir.filePath("m.dll");
        QCOMPARE(Ovrc({"build", dir.filePath("src"), "-o", module}).exitCode, 0);

        const RunResult dumped = Run("x86_64-w64-mingw32-objdump", {"-p", module});
        QVERIFY2(dumped.exitCode == 0, dumped.err.constData());
        const QString text = QString::fromUtf8(dumped.out);
        QVERIFY(text.contains("file format pei-x86-64"));
        QVERIFY(text.contains("Magic\t\t\t020b\t(PE32+)"));
        QVERIFY(text.contains("DLL"));
        QVERIFY(text.contains("AddressOfEntryPoint\t0000000000000000"));
        QVERIFY(text.contains("Entry 2 0000000000001000"));       // resource directory
        QVERIFY(text.contains("Entry 1 0000000000000000 00000000")); // no imports

        const QByteArray image = ReadBytes(module);
        QVERIFY(image.size() > 0x200);
        const int pe = qFromLittleEndian<quint32>(image.constData() + 0x3C);
        QCOMPARE(image.mid(pe, 4), QByteArray("PE\0\0", 4));
        QCOMPARE(qFromLittleEndian<quint16>(image.constData() + pe + 4), quint16(0x8664));
        QCOMPARE(qFromLittleEndian<quint32>(image.constData() + pe + 8), 0u); // TimeDateStamp
        QCOMPARE(image.size() % 0x200, 0);
    }

    void SameSourcesGiveTheSameBytes()
    {
        QTemporaryDir dir;
        QVERIFY(WriteBytes(dir.filePath("src/a.ovs"), kSources));
        QVERIFY(WriteBytes(dir.filePath("src/raw.bin"), "abc"));
        QCOMPARE(Ovrc({"build", dir.filePath("src"), "-o", dir.filePath("one.dll")}).exitCode, 0);
        QTest::qWait(1100); // a time stamp would now differ
        QCOMPARE(Ovrc({"build", dir.filePath("src"), "-o", dir.filePath("two.dll")}).exitCode, 0);
        QCOMPARE(ReadBytes(dir.filePath("one.dll")), ReadBytes(dir.filePath("two.dll")));
        const QString shipped = SourcePath("contentsrc");
        QCOMPARE(Ovrc({"build", shipped, "-o", dir.filePath("c1.dll")}).exitCode, 0);
        QCOMPARE(Ovrc({"build", shipped, "-o", dir.filePath("c2.dll")}).exitCode, 0);
        QCOMPARE(ReadBytes(dir.filePath("c1.dll")), ReadBytes(dir.filePath("c2.dll")));
    }

    void FailedBuildLeavesTheOldModule()
    {
        QTemporaryDir dir;
        QVERIFY(WriteBytes(dir.filePath("out/m.dll"), "previous module"));
        QVERIFY(WriteBytes(dir.filePath("src/a.ovs"), "script 1\n  Bogus\nend\n"));
        const RunResult r = Ovrc({"build", dir.filePath("src"), "-o", dir.filePath("out/m.dll")});
        QVERIFY(r.exitCode != 0);
        QCOMPARE(ReadBytes(dir.filePath("out/m.dll")), QByteArray("previous module"));
        QCOMPARE(QDir(dir.filePath("out")).entryList(QDir::Files | QDir::Hidden), QStringList{"m.dll"});
    }

    void WriterRefusesTheSameResourceTwice()
    {
        PeResourceWriter writer;
        writer.Add({ResName("T"), ResName(1), 1033, {1}});
        writer.Add({ResName("T"), ResName(1), 1031, {2}});
        std::vector<uint8_t> image;
        QVERIFY(writer.Write(&image));
        writer.Add({ResName("T"), ResName(1), 1033, {3}});
        std::string error;
        QVERIFY(!writer.Write(&image, &error));
        QVERIFY(error.find("twice") != std::string::npos);
    }

    void EmptyModuleIsStillAModule()
    {
        PeResourceWriter writer;
        std::vector<uint8_t> image;
        QVERIFY(writer.Write(&image));
        PeResources reader;
        QVERIFY(reader.Parse(image));
        QVERIFY(reader.Entries().empty());
    }

private:
    std::unique_ptr<TestHome> m_home;
};

QTEST_GUILESS_MAIN(PeWriterTest)
#include "PeWriterTest.moc"
