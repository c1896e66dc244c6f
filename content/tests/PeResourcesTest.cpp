// The PE resource reader against modules linked by independent tools from
// resources written here by hand, with llvm-readobj as a second reader.
#include "PeResources.h"
#include "ResFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <map>

namespace {

std::vector<ResEntry> SampleResources()
{
    QByteArray strList("\x02\x00\x03" "abc" "\x02" "de", 9);
    return {
        {QString("STR#"), 200, strList},
        {QString("STR#"), 201, QByteArray("\x00\x00", 2)},
        {10, QString("SoundList"), QByteArray("bell\0Tibetan Bell\0", 18)},
        {QString("WAVE"), QString("BELL"), QByteArray("RIFF\x04\x00\x00\x00WAVE", 12)},
        {QString("WAVE"), QString("CHIME"), QByteArray(300, 'c')},
        {2, 253, QByteArray(1064, '\x11')},
        {10, 7, QByteArray("german"), 1031},
        {10, 7, QByteArray("english"), 1033},
        {QString("Scrp"), 9, QByteArray()},
    };
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::span<const uint8_t> Span(const QByteArray& bytes)
{
    return {reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())};
}

QString Key(const PeResources::Entry& e)
{
    return QString::fromStdString(e.type.ToString() + "/" + e.name.ToString() + "/" + std::to_string(e.language));
}

std::map<QString, QByteArray> Contents(const PeResources& pe)
{
    std::map<QString, QByteArray> out;
    for (const auto& e : pe.Entries())
        out[Key(e)] = QByteArray(reinterpret_cast<const char*>(e.data.data()), qsizetype(e.data.size()));
    return out;
}

void Put(QByteArray& bytes, qsizetype at, quint32 value, int size = 4)
{
    if (bytes.size() < at + size)
        bytes.resize(at + size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[at + i] = char((value >> (8 * i)) & 0xFF);
}

/// A PE32 image written field by field, holding `tree` as its one section
/// (RVA 0x1000, file offset 0x200) and resource directory.
QByteArray ImageAround(const QByteArray& tree)
{
    QByteArray image(0x200, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    Put(image, 0x3C, 0x40);
    image.replace(0x40, 4, QByteArray("PE\0\0", 4));
    Put(image, 0x44, 0x14C, 2);    // i386
    Put(image, 0x46, 1, 2);        // one section
    Put(image, 0x54, 224, 2);      // optional header size
    const qsizetype opt = 0x58;
    Put(image, opt, 0x10B, 2);     // PE32
    Put(image, opt + 92, 16);      // data directories
    Put(image, opt + 96 + 2 * 8, 0x1000);
    Put(image, opt + 96 + 2 * 8 + 4, quint32(tree.size()));
    const qsizetype section = opt + 224;
    image.replace(section, 5, ".rsrc");
    Put(image, section + 8, quint32(tree.size()));
    Put(image, section + 12, 0x1000);
    Put(image, section + 16, quint32(tree.size()));
    Put(image, section + 20, 0x200);
    return image + tree;
}

} // namespace

class PeResourcesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QByteArray m_lldModule;
    qsizetype m_rootOffset = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QString dll, log;
        QVERIFY2(LinkModule(SampleResources(), m_dir.path(), true, &dll, &log), qPrintable(log));
        m_lldModule = ReadFile(dll);
        QVERIFY(!m_lldModule.isEmpty());
        QVERIFY(RunTool("llvm-readobj", {"--coff-resources", dll}, &log));
        auto m = QRegularExpression(R"(Base Table Address: 0x([0-9A-F]+))").match(log);
        QVERIFY(m.hasMatch());
        m_rootOffset = m.captured(1).toLongLong(nullptr, 16);
    }

    void agreesWithLlvmReadobj_data()
    {
        QTest::addColumn<bool>("useLld");
        QTest::newRow("lld-link") << true;
        QTest::newRow("windres+ld") << false;
    }
    void agreesWithLlvmReadobj()
    {
        QFETCH(bool, useLld);
        QTemporaryDir dir;
        QString dll, log;
        QVERIFY2(LinkModule(SampleResources(), dir.path(), useLld, &dll, &log), qPrintable(log));
        std::vector<ListedResource> listed;
        QVERIFY2(ReadWithLlvm(dll, &listed, &log), qPrintable(log));

        QByteArray bytes = ReadFile(dll);
        PeResources pe;
        std::string error;
        QVERIFY2(pe.Parse(Span(bytes), &error), error.c_str());
        QVERIFY(pe.Warnings().empty());

        std::vector<ListedResource> ours;
        for (const auto& e : pe.Entries())
            ours.push_back({QString::fromStdString(e.type.ToString()), QString::fromStdString(e.name.ToString()),
                            e.language,
                            QByteArray(reinterpret_cast<const char*>(e.data.data()), qsizetype(e.data.size()))});
        QCOMPARE(ours.size(), SampleResources().size());
        QCOMPARE(ours.size(), listed.size());
        // Same entries in the same directory order.
        for (size_t i = 0; i < ours.size(); ++i) {
            QCOMPARE(ours[i].type, listed[i].type);
            QCOMPARE(ours[i].name, listed[i].name);
            QCOMPARE(ours[i].language, listed[i].language);
            QCOMPARE(ours[i].data, listed[i].data);
        }
        // And the bytes are the ones written into the .res file.
        for (const ResEntry& r : SampleResources()) {
            bool found = false;
            for (const auto& o : ours)
                found |= o.data == r.data && o.language == r.language
                         && o.name.compare(r.name.toString(), Qt::CaseInsensitive) == 0;
            QVERIFY2(found, qPrintable(r.name.toString()));
        }
    }

    void lookupRules()
    {
        PeResources pe;
        QVERIFY(pe.Parse(Span(m_lldModule)));
        // Type and name strings match without regard to letter case.
        QVERIFY(pe.Find("str#", 200));
        QVERIFY(pe.Find(kRtRcdata, "soundlist"));
        QVERIFY(pe.Find(kRtRcdata, "SOUNDLIST"));
        QVERIFY(pe.Find("wave", "Bell"));
        // An id and a name that spells the same digits are different things.
        QVERIFY(!pe.Find("STR#", "200"));
        QVERIFY(!pe.Find("STR#", 202));
        QVERIFY(!pe.Find(3, 253));
        // Several languages: the first in directory order (1031 sorts first).
        const auto* seven = pe.Find(kRtRcdata, 7);
        QVERIFY(seven);
        QCOMPARE(seven->language, 1031);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(seven->data.data()), 6), QByteArray("german"));
        const auto* empty = pe.Find("SCRP", 9);
        QVERIFY(empty);
        QCOMPARE(empty->data.size(), size_t(0));
    }

    void rejectsWhatIsNotAModule_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("just some text, not a module");
        QTest::newRow("MZ only") << QByteArray("MZ");
        QByteArray badOffset = m_lldModule;
        badOffset[0x3C] = char(0xF0);
        badOffset[0x3F] = char(0x7F);
        QTest::newRow("PE offset past the end") << badOffset;
        QByteArray badMagic = m_lldModule;
        quint32 pe = quint8(badMagic[0x3C]) | quint8(badMagic[0x3D]) << 8;
        badMagic[pe + 24] = 0x33;
        QTest::newRow("unknown optional header") << badMagic;
    }
    void rejectsWhatIsNotAModule()
    {
        QFETCH(QByteArray, bytes);
        PeResources pe;
        std::string error;
        QVERIFY(!pe.Parse(Span(bytes), &error));
        QVERIFY(error.find("not a PE module") != std::string::npos);
        QVERIFY(pe.Entries().empty());
    }

    void truncationHidesOnlyWhatIsCut()
    {
        PeResources whole;
        QVERIFY(whole.Parse(Span(m_lldModule)));
        const auto original = Contents(whole);
        const auto* base = reinterpret_cast<const uint8_t*>(m_lldModule.constData());
        // This linker puts the whole directory before the first data block.
        size_t directoryEnd = size_t(m_lldModule.size());
        for (const auto& e : whole.Entries())
            if (!e.data.empty())
                directoryEnd = std::min(directoryEnd, size_t(e.data.data() - base));

        for (qsizetype length = 0; length <= m_lldModule.size(); ++length) {
            QByteArray cut = m_lldModule.left(length);
            PeResources pe;
            pe.Parse(Span(cut));
            const auto* cutBase = reinterpret_cast<const uint8_t*>(cut.constData());
            for (const auto& e : pe.Entries()) {
                QVERIFY(e.data.empty() || (e.data.data() >= cutBase && e.data.data() + e.data.size() <= cutBase + length));
                QCOMPARE(Contents(pe)[Key(e)], original.at(Key(e)));
            }
            if (size_t(length) < directoryEnd)
                continue;
            for (const auto& e : whole.Entries()) {
                size_t end = size_t(e.data.data() - base) + e.data.size();
                if (end <= size_t(length))
                    QVERIFY2(pe.Find(e.type, e.name), qPrintable(Key(e) + " hidden at length " + QString::number(length)));
            }
        }
    }

    void bitFlipsNeverReadOutside()
    {
        PeResources whole;
        QVERIFY(whole.Parse(Span(m_lldModule)));
        const auto original = Contents(whole);
        const auto* base = reinterpret_cast<const uint8_t*>(m_lldModule.constData());
        for (qsizetype at = 0; at < m_lldModule.size(); ++at) {
            // Which resource's data, if any, holds this byte.
            const PeResources::Entry* owner = nullptr;
            for (const auto& e : whole.Entries())
                if (!e.data.empty() && base + at >= e.data.data() && base + at < e.data.data() + e.data.size())
                    owner = &e;
            for (int bit = 0; bit < 8; ++bit) {
                QByteArray flipped = m_lldModule;
                flipped[at] = char(flipped[at] ^ (1 << bit));
                const auto* fbase = reinterpret_cast<const uint8_t*>(flipped.constData());
                PeResources pe;
                pe.Parse(Span(flipped));
                for (const auto& e : pe.Entries())
                    QVERIFY(e.data.empty() || (e.data.data() >= fbase && e.data.data() + e.data.size() <= fbase + flipped.size()));
                if (owner) {
                    // Damage inside one resource's bytes leaves every other resource whole.
                    auto found = Contents(pe);
                    QCOMPARE(found.size(), original.size());
                    for (const auto& [key, bytes] : original)
                        if (key != Key(*owner))
                            QCOMPARE(found[key], bytes);
                }
            }
        }
    }

    void malformedDirectoryEntriesAreLeftOut()
    {
        PeResources whole;
        QVERIFY(whole.Parse(Span(m_lldModule)));
        // The first root entry's type, and how many resources it holds.
        const ResName firstType = whole.Entries().front().type;
        size_t ofFirstType = 0;
        for (const auto& e : whole.Entries())
            ofFirstType += e.type.Matches(firstType) ? 1 : 0;
        auto patch = [&](int field, quint32 value) {
            QByteArray bytes = m_lldModule;
            qsizetype at = m_rootOffset + 16 + field * 4;
            for (int i = 0; i < 4; ++i)
                bytes[at + i] = char((value >> (8 * i)) & 0xFF);
            return bytes;
        };
        struct Case { const char* what; QByteArray bytes; };
        const Case cases[] = {
            {"subdirectory points back at the root", patch(1, 0x80000000u)},
            {"subdirectory far past the end", patch(1, 0x8FFFFFF0u)},
            {"type name string past the end", patch(0, 0x8FFFFFF0u)},
            {"type entry points at data, not a directory", patch(1, 0x10)},
        };
        for (const Case& c : cases) {
            PeResources pe;
            QVERIFY2(pe.Parse(Span(c.bytes)), c.what);
            QVERIFY2(!pe.Warnings().empty(), c.what);
            QCOMPARE(pe.Entries().size(), whole.Entries().size() - ofFirstType);
            for (const auto& e : whole.Entries())
                if (!e.type.Matches(firstType))
                    QVERIFY2(pe.Find(e.type, e.name), c.what);
        }
    }

    void overlappingDirectoriesAreReadOnce()
    {
        // Type 1 holds one good resource. Type 2 has a name directory whose
        // entries point at language directories 8 bytes apart, all inside
        // one array of language entries: read naively, each directory takes
        // every entry after its own start, and the entries grow with the
        // square of the array.
        constexpr int kUnits = 1000;
        constexpr qsizetype kGood = 32, kData = 112, kNames = 160;
        constexpr qsizetype kArray = kNames + 16 + 8 * kUnits;
        QByteArray tree;
        Put(tree, 14, 2, 2);                       // root: two ids
        Put(tree, 16, 1);
        Put(tree, 20, 0x80000000u | kGood);
        Put(tree, 24, 2);
        Put(tree, 28, 0x80000000u | kNames);
        Put(tree, kGood + 14, 1, 2);               // names of type 1
        Put(tree, kGood + 16, 7);
        Put(tree, kGood + 20, 0x80000000u | (kGood + 24));
        Put(tree, kGood + 24 + 14, 1, 2);          // languages of 1/7
        Put(tree, kGood + 40, 1033);
        Put(tree, kGood + 44, kData);
        Put(tree, kData, 0x1000 + kData + 32);     // the one data entry
        Put(tree, kData + 4, 4);
        tree.replace(kData + 32, 4, "good");
        Put(tree, kNames + 14, kUnits, 2);         // names of type 2
        for (int k = 0; k < kUnits; ++k) {
            Put(tree, kNames + 16 + 8 * k, quint32(k + 1));
            Put(tree, kNames + 20 + 8 * k, 0x80000000u | quint32(kArray + 8 * k));
        }
        for (int k = 0; k < kUnits; ++k) {         // entries: 1033 -> the data entry
            Put(tree, kArray + 8 * k, 1033);
            Put(tree, kArray + 8 * k + 4, kData);
        }
        const QByteArray image = ImageAround(tree);

        PeResources pe;
        QVERIFY(pe.Parse(Span(image)));
        const PeResources::Entry* good = pe.Find(1, 7);
        QVERIFY(good);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(good->data.data()), qsizetype(good->data.size())),
                 QByteArray("good"));
        // Every directory entry is read once at most: no more resources, and
        // no more warnings, than the bytes hold entries.
        const size_t entrySlots = size_t(image.size()) / 8;
        QVERIFY2(pe.Entries().size() <= entrySlots && pe.Warnings().size() <= entrySlots,
                 qPrintable(QString("%1 entries, %2 warnings").arg(pe.Entries().size()).arg(pe.Warnings().size())));
        QVERIFY(!pe.Warnings().empty());
    }
};

QTEST_GUILESS_MAIN(PeResourcesTest)
#include "PeResourcesTest.moc"
