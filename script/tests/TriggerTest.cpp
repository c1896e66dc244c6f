#include "CStchTpic.h"
#include "CTrigger.h"
#include "EngineFixture.h"

#include <QTest>

namespace {

struct MouseState {
    int x, y, down;
};

/// A topic on the recording drawing context, ticked by hand.
struct TopicRig {
    RecordingDraw draw;
    std::unique_ptr<CStchTpic> topic;

    int Open(uint16_t id)
    {
        topic = std::make_unique<CStchTpic>(id, &draw);
        return topic->Load();
    }
    std::string Tick()
    {
        draw.ticks += 50;
        topic->Tick();
        return draw.TakeTrace();
    }
    std::vector<std::pair<int, int>> KindsAndScripts()
    {
        std::vector<std::pair<int, int>> out;
        CTriggerList& list = topic->Triggers();
        for (CTrigger* t = list.GetFirst(); t; t = list.GetNext())
            out.emplace_back(t->GetKind(), t->GetMainScriptId());
        return out;
    }
};

const HotRect kHot{100, 100, 200, 200};

std::vector<Res> MouseTopic(int16_t kind, uint16_t script)
{
    return {{"Trig", 200, Trig({TrigRecord(2, 20), TrigRecord(kind, script, {kHot})})},
            {"Scrp", 20, Scrp({Rec::Tile(900, 0, 0, 640, 480)})},
            {"Scrp", 10, Scrp({Rec::DrawPict(1, 150, 150)})},
            {"Scrp", 11, Scrp({Rec::DrawPict(1, 150, 150), Rec::Nop(), Rec::DrawPict(2, 150, 150)})}};
}

} // namespace

Q_DECLARE_METATYPE(std::vector<MouseState>)
Q_DECLARE_METATYPE(std::vector<std::string>)

class TestTrigger : public QObject {
    Q_OBJECT
private slots:
    void BackgroundTriggersStandFirstInReverseOrder()
    {
        // The first record has no rectangles (6 bytes), the third has two.
        TestLibrary lib({{"Trig", 200,
                          Trig({TrigRecord(1, 10), TrigRecord(2, 20), TrigRecord(3, 30, {{0, 0, 5, 5}, {9, 9, 12, 12}}),
                                TrigRecord(2, 21), TrigRecord(6, 60)})}});
        TopicRig rig;
        QCOMPARE(rig.Open(200), 1);
        QCOMPARE(rig.KindsAndScripts(),
                 (std::vector<std::pair<int, int>>{{2, 21}, {2, 20}, {1, 10}, {3, 30}, {6, 60}}));
        CTriggerList& list = rig.topic->Triggers();
        list.GetFirst();
        list.GetNext();
        list.GetNext();
        CTrigger* over = list.GetNext();
        QCOMPARE(over->HotRects().GetCount(), 2);
        // Loading again changes nothing.
        QCOMPARE(rig.topic->Load(), 0);
        QCOMPARE(list.GetCount(), 5);
    }

    void RefusedTopics_data()
    {
        QTest::addColumn<QByteArray>("trig");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("triggers");
        auto bytes = [](const std::vector<uint8_t>& v) { return QByteArray(reinterpret_cast<const char*>(v.data()), int(v.size())); };
        QTest::newRow("count 0") << bytes(Trig({}, 0)) << 1 << 0;
        QTest::newRow("negative count") << bytes(Trig({TrigRecord(1, 10)}, -3)) << 1 << 0;
        QTest::newRow("negative rect count is a 6-byte record")
            << bytes(Trig({Bytes().I16(1).U16(10).I16(-2), TrigRecord(2, 20)})) << 1 << 2;
        std::vector<uint8_t> cut = Trig({TrigRecord(1, 10), TrigRecord(3, 30, {{0, 0, 5, 5}})});
        cut.resize(cut.size() - 1);
        QTest::newRow("rectangles run past the end") << bytes(cut) << 0 << 1;
        QTest::newRow("count beyond the records") << bytes(Trig({TrigRecord(1, 10)}, 2)) << 0 << 1;
        QTest::newRow("unknown kind") << bytes(Trig({TrigRecord(1, 10), TrigRecord(7, 10), TrigRecord(1, 11)})) << 0 << 1;
        QTest::newRow("header cut short") << QByteArray(13, '\0') << 0 << 0;
    }
    void RefusedTopics()
    {
        QFETCH(QByteArray, trig);
        QFETCH(int, result);
        QFETCH(int, triggers);
        TestLibrary lib({{"Trig", 300, std::vector<uint8_t>(trig.begin(), trig.end())}});
        TopicRig rig;
        QCOMPARE(rig.Open(300), result);
        QCOMPARE(rig.topic->Triggers().GetCount(), triggers);
    }

    void MissingTopic()
    {
        TestLibrary lib({{"Trig", 200, Trig({})}});
        TopicRig rig;
        QCOMPARE(rig.Open(201), 0);
    }

    void EmptyTopicTicksToNothing()
    {
        TestLibrary lib({{"Trig", 200, Trig({})}});
        TopicRig rig;
        QCOMPARE(rig.Open(200), 1);
        QCOMPARE(rig.topic->Tick(), 0);
        QVERIFY(rig.draw.calls.empty());
    }

    void HotRectangleEdgesAndCache_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<bool>("inside");
        QTest::newRow("top-left corner") << 10 << 10 << true;
        QTest::newRow("last pixel") << 19 << 19 << true;
        QTest::newRow("right edge") << 20 << 15 << false;
        QTest::newRow("bottom edge") << 15 << 20 << false;
        QTest::newRow("second rectangle") << -5 << -5 << true;
        QTest::newRow("left of it") << 9 << 15 << false;
    }
    void HotRectangleEdgesAndCache()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(bool, inside);
        CXRECT a{10, 10, 20, 20}, b{-10, -10, -4, -4};
        CRectList list;
        list.AddTail(&a);
        list.AddTail(&b);
        POINT p{x, y};
        QCOMPARE(list.PtInList(&p), inside);
        QCOMPARE(list.PtInList(&p), inside);
    }

    void FirstHitTestAtOriginAnswersFromTheCache()
    {
        CXRECT r{0, 0, 10, 10};
        CRectList list;
        POINT origin{0, 0}, in{5, 5};
        QVERIFY(!list.PtInList(&origin)); // empty list
        list.AddTail(&r);
        QVERIFY(!list.PtInList(&origin)); // the cache's starting point
        QVERIFY(list.PtInList(&in));
        QVERIFY(list.PtInList(&origin));
    }

    void MouseKinds_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("script");
        QTest::addColumn<std::vector<MouseState>>("mouse");
        QTest::addColumn<std::vector<std::string>>("trace");
        const MouseState outUp{50, 50, 0}, outDown{50, 50, 1}, inUp{150, 150, 0}, inDown{150, 150, 1};
        QTest::newRow("click: up, down, up inside") << 6 << 10
            << std::vector<MouseState>{outUp, inUp, inDown, inUp, inUp, inUp, inUp}
            << std::vector<std::string>{"", "t900", "", "", "p1", "", "t900c"};
        QTest::newRow("click: pressed outside, released inside") << 6 << 10
            << std::vector<MouseState>{outDown, inDown, inUp, inUp, inUp, inUp}
            << std::vector<std::string>{"", "t900", "", "", "", ""};
        QTest::newRow("click: leaving in between") << 6 << 10
            << std::vector<MouseState>{inUp, inDown, outDown, inDown, inUp, inUp}
            << std::vector<std::string>{"", "t900", "", "", "", ""};
        QTest::newRow("up: pressed outside, released inside") << 4 << 10
            << std::vector<MouseState>{outDown, inDown, inUp, inUp, inUp, inUp}
            << std::vector<std::string>{"", "t900", "", "p1", "", "t900c"};
        QTest::newRow("down: one pass, repainted while held") << 5 << 10
            << std::vector<MouseState>{inUp, inDown, inDown, inDown, inDown, inDown}
            << std::vector<std::string>{"", "t900", "p1", "t900c", "", ""};
        QTest::newRow("over: kept while inside") << 3 << 10
            << std::vector<MouseState>{inUp, inUp, inUp, inUp, outUp, outUp, inUp, inUp}
            << std::vector<std::string>{"", "t900 p1", "", "", "t900c", "", "", "p1"};
        QTest::newRow("continuous: loops with repaint") << 1 << 11
            << std::vector<MouseState>{outUp, outUp, outUp, outUp, outUp, outUp, outUp}
            << std::vector<std::string>{"", "t900 p1", "p2", "", "t900c", "p1", "p2"};
        QTest::newRow("continuous without its script: repaints every other tick") << 1 << 99
            << std::vector<MouseState>{outUp, outUp, outUp, outUp, outUp}
            << std::vector<std::string>{"", "t900", "t900c", "", "t900c"};
    }
    void MouseKinds()
    {
        QFETCH(int, kind);
        QFETCH(int, script);
        QFETCH(std::vector<MouseState>, mouse);
        QFETCH(std::vector<std::string>, trace);
        TestLibrary lib(MouseTopic(int16_t(kind), uint16_t(script)));
        TopicRig rig;
        QCOMPARE(rig.Open(200), 1);
        for (size_t i = 0; i < mouse.size(); ++i) {
            rig.draw.SetMouse(uint16_t(mouse[i].down), mouse[i].x, mouse[i].y);
            const std::string got = rig.Tick();
            if (got != trace[i])
                QFAIL(qPrintable(QString("tick %1: got '%2', expected '%3'").arg(i + 1).arg(got.c_str(), trace[i].c_str())));
        }
    }

    void RepaintRegions()
    {
        TestLibrary lib({{"Trig", 200, Trig({TrigRecord(2, 20), TrigRecord(1, 30), TrigRecord(1, 31)})},
                         {"Scrp", 20, Scrp({Rec::Tile(900, 0, 0, 640, 480)})},
                         {"Scrp", 30, Scrp({Rec::Nop(), Rec::Nop()})},
                         {"Scrp", 31, Scrp({Rec::DrawPict(1, 150, 150), Rec::Nop(), Rec::DrawPict(2, 300, 40)})}});
        TopicRig rig;
        QCOMPARE(rig.Open(200), 1);
        rig.Tick();
        rig.Tick();
        rig.Tick();
        rig.Tick();
        // Tick 5: both triggers finish; the one that never drew gives back
        // the region as created, the other exactly what it drew.
        rig.draw.ticks += 50;
        rig.topic->Tick();
        std::vector<QRegion> clips;
        for (const auto& c : rig.draw.calls) {
            if (c.op == "tile")
                clips.push_back(c.clip);
        }
        QCOMPARE(clips.size(), size_t(2));
        QCOMPARE(clips[0], QRegion(0, 0, 620, 480));
        QCOMPARE(clips[1], QRegion(150, 150, 11, 11) + QRegion(300, 40, 11, 11));
    }

    void UpdateRepaintsWithinThePass()
    {
        TestLibrary lib({{"Trig", 200, Trig({TrigRecord(1, 30), TrigRecord(2, 20)})},
                         {"Scrp", 20, Scrp({Rec::Tile(900, 0, 0, 640, 480)})},
                         {"Scrp", 30, Scrp({Rec::DrawPict(1, 150, 150), Rec::Update(10, 20, 30, 40), Rec::DrawPict(2, 5, 5)})}});
        TopicRig rig;
        QCOMPARE(rig.Open(200), 1);
        QCOMPARE(rig.Tick(), std::string());
        rig.draw.ticks += 50;
        rig.topic->Tick();
        const auto calls = rig.draw.calls;
        QCOMPARE(calls.size(), size_t(3));
        QCOMPARE(calls[0].op, std::string("tile")); // the background's first run
        QVERIFY(calls[0].clip.isEmpty());
        QCOMPARE(calls[1].id, uint16_t(1));
        QCOMPARE(calls[2].op, std::string("tile"));
        QCOMPARE(calls[2].clip, QRegion(10, 20, 20, 20));
        rig.draw.calls.clear();
        QCOMPARE(rig.Tick(), std::string("p2"));
        // The clip is back to the whole area after the repaint.
        RECT far{600, 400, 610, 410};
        QVERIFY(rig.draw.RectVisible(&far));
    }

    void UpdateWithoutAreaRepaintsTheRegionAsCreated()
    {
        TestLibrary lib({{"Trig", 200, Trig({TrigRecord(1, 30), TrigRecord(2, 20)})},
                         {"Scrp", 20, Scrp({Rec::Tile(900, 0, 0, 640, 480)})},
                         {"Scrp", 30, Scrp({Rec::Update(50, 50, 10, 10), Rec::Update(5, 5, 5, 9), Rec::DrawPict(2, 5, 5)})}});
        TopicRig rig;
        QCOMPARE(rig.Open(200), 1);
        rig.Tick();
        // Each Update's region stays (0, 0)-(620, 480): the background is
        // repainted there within the pass, after its own first run.
        const QRegion page(0, 0, 620, 480);
        const std::vector<std::vector<QRegion>> expectedClips{{QRegion(), page}, {page}};
        for (const std::vector<QRegion>& expected : expectedClips) {
            rig.draw.ticks += 50;
            rig.topic->Tick();
            std::vector<QRegion> clips;
            for (const auto& c : rig.draw.calls) {
                QCOMPARE(c.op, std::string("tile"));
                clips.push_back(c.clip);
            }
            rig.draw.calls.clear();
            QCOMPARE(clips, expected);
        }
        QCOMPARE(rig.Tick(), std::string("p2"));
    }

    void BackgroundUpdateDoesNotRecurse()
    {
        TestLibrary lib({{"Trig", 200, Trig({TrigRecord(2, 20)})},
                         {"Scrp", 20, Scrp({Rec::Tile(900, 0, 0, 640, 480), Rec::Update(0, 0, 100, 100), Rec::Tile(901, 0, 0, 640, 480)})}});
        TopicRig rig;
        QCOMPARE(rig.Open(200), 1);
        QCOMPARE(rig.Tick(), std::string());
        QCOMPARE(rig.Tick(), std::string("t900 t900c"));
        for (int i = 0; i < 5; ++i)
            QCOMPARE(rig.Tick(), std::string());
    }

    void BackgroundStaysFinishing()
    {
        TestLibrary lib({{"Trig", 200, Trig({TrigRecord(2, 20), TrigRecord(2, 99)})},
                         {"Scrp", 20, Scrp({Rec::Tile(900, 0, 0, 640, 480)})}});
        TopicRig rig;
        QCOMPARE(rig.Open(200), 1);
        for (int i = 0; i < 6; ++i)
            rig.Tick();
        CTriggerList& list = rig.topic->Triggers();
        for (CTrigger* t = list.GetFirst(); t; t = list.GetNext())
            QCOMPARE(t->GetState(), uint16_t(CTrigger::kFinishing));
        // A repaint restarts the background without changing its state.
        QRegion area(0, 0, 10, 10);
        list.RepaintBackground(&area);
        QCOMPARE(rig.draw.TakeTrace(), std::string("t900c"));
        QCOMPARE(list.GetFirst()->GetState(), uint16_t(CTrigger::kFinishing));
    }
};

QTEST_GUILESS_MAIN(TestTrigger)
#include "TriggerTest.moc"
