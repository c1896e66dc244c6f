#include "CContentCatalog.h"
#include "ContentModule.h"
#include "ResourceBytes.h"

#include <QTest>

namespace {
using Raw = ContentModule::RawResource;

// A `Trig` header written from its layout: flags at byte 2, the code at 8-11.
std::vector<uint8_t> TrigHeader(uint8_t flags, const char code[4])
{
    return Bytes().U16(0).U8(flags).U8(0).U32(0).Text(std::string(code, 4)).I16(0).b;
}

std::vector<uint8_t> StrListBytes(std::initializer_list<std::string> entries, int claimed = -1)
{
    Bytes out;
    out.U16(uint16_t(claimed < 0 ? int(entries.size()) : claimed));
    for (const std::string& e : entries)
        out.U8(uint8_t(e.size())).Text(e);
    return out.b;
}

Raw List(int id, std::initializer_list<std::string> entries, int claimed = -1)
{
    return {"STR#", id, StrListBytes(entries, claimed)};
}

// Three routines, three reading topics (the middle one not in the menu),
// and help lists with a separator, the two special bytes and two unused
// trailing entries.
std::vector<Raw> Library()
{
    return {
        {"Trig", 200, TrigHeader(0, "NECK")},
        {"Trig", 201, TrigHeader(0, "SHRG")},
        {"Trig", 202, {1, 2, 3, 4, 5}}, // shorter than its header
        {"Trig", 204, TrigHeader(0, "LOST")}, // after the gap: not a routine
        {"Trig", 300, TrigHeader(1, "\0\0\0\0")},
        {"Trig", 301, TrigHeader(2, "\0\0\0\0")},
        {"Trig", 302, TrigHeader(3, "\0\0\0\0")},
        List(200, {"&Neck", "&Shrug", "&Short"}),
        List(201, {"Neck", "Shrug", "Short"}),
        List(300, {"&Why", "&Hidden", "&Posture"}),
        List(400, {"Tips\x85", "-", "Brand\x99 site", "-- line", "More", "x", "y"}),
        List(401, {"tips.html", "unused", "https://example.org/\x99", "unused", "more.pdf", "t1", "t2"}),
    };
}

std::vector<Raw> Replace(std::vector<Raw> resources, Raw replacement)
{
    for (Raw& r : resources) {
        if (r.type.Matches(replacement.type) && r.name.Matches(replacement.name)) {
            r = std::move(replacement);
            return resources;
        }
    }
    resources.push_back(std::move(replacement));
    return resources;
}

using Items = std::vector<CContentCatalog::MenuItem>;
QList<QPair<int, QByteArray>> Simple(const Items& items)
{
    QList<QPair<int, QByteArray>> out;
    for (const auto& item : items)
        out.append({item.separator ? -1 : item.commandId, QByteArray::fromStdString(item.text)});
    return out;
}
} // namespace

class ContentCatalogTest : public QObject {
    Q_OBJECT

private slots:
    void FindsRoutinesTopicsAndHelpItems()
    {
        ScopedContentLibrary library(ContentModule::FromResources(Library()));
        CContentCatalog catalog;
        QVERIFY(catalog.IsLoaded());
        QCOMPARE(catalog.ScanStretches(), 3);
        QCOMPARE(catalog.ScanTopics(), 3);

        const CStretchRoutines& r = catalog.Stretches();
        QCOMPARE(r.Code(0), 0x4E45434Bu); // "NECK", first byte most significant
        QCOMPARE(r.TopicOfCode(0x53485247u), 201);
        QCOMPARE(r.TopicOfCode(0), 202); // the short header has no code
        QCOMPARE(r.TopicOfCode(0x4C4F5354u), 0); // "LOST" lies beyond the gap
        QCOMPARE(r.CodeOfTopic(201), 0x53485247u);
        QCOMPARE(r.CodeOfTopic(203), 0u);
        QCOMPARE(r.CodeOfTopic(199), 0u);

        Items items;
        QVERIFY(catalog.StretchMenuItems(&items));
        QCOMPARE(Simple(items), (QList<QPair<int, QByteArray>>{{1200, "&Neck"}, {1201, "&Shrug"}, {1202, "&Short"}}));
        QVERIFY(catalog.TopicMenuItems(&items));
        QCOMPARE(Simple(items), (QList<QPair<int, QByteArray>>{{1300, "&Why"}, {1302, "&Posture"}}));

        QVERIFY(catalog.HelpMenuItems(&items));
        QCOMPARE(Simple(items), (QList<QPair<int, QByteArray>>{
                                    {1400, "Tips..."}, {-1, ""}, {1401, "Brand (TM) site"}, {-1, ""}, {1402, "More"}}));
        QCOMPARE(catalog.HelpCount(), 3);
        QCOMPARE(catalog.GetHelpTarget(1), std::string("https://example.org/\x99"));
        QCOMPARE(catalog.GetHelpTarget(2), std::string("more.pdf"));
        QCOMPARE(catalog.GetHelpTarget(3), std::string());
        QCOMPARE(catalog.GetHelpTarget(-1), std::string());

        std::vector<std::pair<std::string, int>> entries;
        QVERIFY(catalog.StretchListEntries(&entries));
        QCOMPARE(entries.size(), size_t(3));
        QCOMPARE(entries[2], (std::pair<std::string, int>{"Short", 202}));
    }

    void MenuFillersRefuseListsThatDisagree_data()
    {
        QTest::addColumn<int>("changed");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("stretches");
        QTest::addColumn<bool>("topics");
        QTest::addColumn<bool>("help");
        QTest::addColumn<int>("helpItems");
        const auto bytes = [](std::initializer_list<std::string> e, int claimed = -1) {
            std::vector<uint8_t> b = StrListBytes(e, claimed);
            return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
        };
        QTest::newRow("one routine name short") << 200 << bytes({"a", "b"}) << false << true << true << 3;
        QTest::newRow("routine list claims more than it holds") << 200 << bytes({"a", "b"}, 3) << false << true << true << 3;
        QTest::newRow("topic list too long") << 300 << bytes({"a", "b", "c", "d"}) << true << false << true << 3;
        QTest::newRow("help lists differ in count") << 401 << bytes({"a", "b"}) << true << true << false << 0;
        QTest::newRow("fewer help texts than targets") << 400 << bytes({"a", "b"}) << true << true << false << 0;
        QTest::newRow("no help texts at all") << 400 << bytes({}) << true << true << false << 0;
    }
    void MenuFillersRefuseListsThatDisagree()
    {
        QFETCH(int, changed);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, stretches);
        QFETCH(bool, topics);
        QFETCH(bool, help);
        QFETCH(int, helpItems);
        std::vector<Raw> resources = Replace(Library(), {"STR#", changed, std::vector<uint8_t>(bytes.begin(), bytes.end())});
        ScopedContentLibrary library(ContentModule::FromResources(resources));
        CContentCatalog catalog;
        catalog.ScanStretches();
        catalog.ScanTopics();
        Items items;
        QCOMPARE(catalog.StretchMenuItems(&items), stretches);
        QCOMPARE(items.empty(), !stretches);
        QCOMPARE(catalog.TopicMenuItems(&items), topics);
        QCOMPARE(items.empty(), !topics);
        QCOMPARE(catalog.HelpMenuItems(&items), help);
        QCOMPARE(catalog.HelpCount(), helpItems);
    }

    void PairedHelpListsOfTwoAreAnEmptySection()
    {
        std::vector<Raw> resources = Replace(Library(), List(400, {"a", "b"}));
        resources = Replace(resources, List(401, {"x", "y"}));
        ScopedContentLibrary library(ContentModule::FromResources(resources));
        CContentCatalog catalog;
        Items items{{1, "stale", false}};
        QVERIFY(catalog.HelpMenuItems(&items));
        QVERIFY(items.empty());
        QCOMPARE(catalog.HelpCount(), 0);
    }

    void MissingListsAndLibrary()
    {
        std::vector<Raw> resources;
        for (const Raw& r : Library()) {
            if (!(r.type.Matches("STR#") && (r.name.Id() == 300 || r.name.Id() == 401)))
                resources.push_back(r);
        }
        {
            ScopedContentLibrary library(ContentModule::FromResources(resources));
            CContentCatalog catalog;
            catalog.ScanStretches();
            QCOMPARE(catalog.ScanTopics(), 3);
            Items items;
            QVERIFY(catalog.StretchMenuItems(&items)); // good data beside the missing lists
            QCOMPARE(items.size(), size_t(3));
            QVERIFY(!catalog.TopicMenuItems(&items));
            QVERIFY(!catalog.HelpMenuItems(&items));
        }
        CContentCatalog none; // nothing loaded: every scan finds nothing
        QCOMPARE(none.ScanStretches(), 0);
        QCOMPARE(none.ScanTopics(), 0);
        QCOMPARE(none.Stretches().TopicOfCode(0), 0);
    }

    void ScansStopAtAHundred()
    {
        std::vector<Raw> resources;
        for (int i = 0; i <= 100; ++i) {
            resources.push_back({"Trig", 200 + i, TrigHeader(0, "RRRR")});
            resources.push_back({"Trig", 300 + i, TrigHeader(1, "TTTT")});
        }
        ScopedContentLibrary library(ContentModule::FromResources(resources));
        CContentCatalog catalog;
        QCOMPARE(catalog.ScanStretches(), 100);
        QCOMPARE(catalog.ScanTopics(), 100);
        QCOMPARE(catalog.Stretches().CodeOfTopic(299), 0x52525252u);
        QCOMPARE(catalog.Stretches().CodeOfTopic(300), 0u);
        QCOMPARE(catalog.Topics().MenuId(99), 399);
    }
};

QTEST_GUILESS_MAIN(ContentCatalogTest)
#include "ContentCatalogTest.moc"
