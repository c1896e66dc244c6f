#include "CStatement.h"
#include "EngineFixture.h"
#include "ScriptDump.h"

#include <QTest>

class TestScript : public QObject {
    Q_OBJECT
private slots:
    void DrawRectAndDrawLineRecordsStayInStep()
    {
        TestLibrary lib({{"Scrp", 100,
                          Scrp({Rec::DrawRect(1, 2, 3, 4, 0x0000FF, 2), Rec::DrawLine(5, 6, 7, 8, 0x00FF00, 3),
                                Rec::DrawRect(9, 10, 11, 12, 0, 0), Rec::DrawPict(42, 13, 14)})}});
        QVERIFY(lib.IsLoaded());
        ScriptRig rig;
        rig.list.Start(100);
        QCOMPARE(rig.list.GetCount(), 1);
        rig.list.RunAll();
        const auto& c = rig.draw.calls;
        QCOMPARE(c.size(), size_t(4));
        QCOMPARE(c[0].op, std::string("frame"));
        QCOMPARE(c[0].rect, (RECT{1, 2, 3, 4}));
        QCOMPARE(c[1].op, std::string("line"));
        QCOMPARE(c[1].rect, (RECT{5, 6, 7, 8}));
        QCOMPARE(c[2].rect, (RECT{9, 10, 11, 12}));
        QCOMPARE(c[3].op, std::string("pict"));
        QCOMPARE(int(c[3].id), 42);
        QCOMPARE(c[3].rect, (RECT{13, 14, 0, 0}));
    }

    void LoaderStopsEarly_data()
    {
        QTest::addColumn<QByteArray>("scrp");
        QTest::addColumn<int>("statements");
        auto bytes = [](const std::vector<uint8_t>& v) { return QByteArray(reinterpret_cast<const char*>(v.data()), int(v.size())); };
        QTest::newRow("unknown opcode 13 second of three")
            << bytes(Scrp({Rec::DrawPict(1, 0, 0), Bytes().I16(13).U16(0), Rec::DrawPict(2, 0, 0)})) << 1;
        QTest::newRow("opcode 0") << bytes(Scrp({Rec::DrawPict(1, 0, 0), Bytes().I16(0).U16(0)})) << 1;
        QTest::newRow("negative opcode") << bytes(Scrp({Bytes().I16(-1).U16(0), Rec::DrawPict(1, 0, 0)})) << 0;
        std::vector<uint8_t> cut = Scrp({Rec::DrawPict(1, 0, 0), Rec::DrawPict(2, 0, 0), Rec::DrawPict(3, 0, 0)});
        cut.resize(cut.size() - 5);
        QTest::newRow("last record cut short") << bytes(cut) << 2;
        QTest::newRow("count larger than records") << bytes(Scrp({Rec::DrawPict(1, 0, 0), Rec::Nop()}, 60000)) << 2;
        QTest::newRow("count smaller than records") << bytes(Scrp({Rec::DrawPict(1, 0, 0), Rec::DrawPict(2, 0, 0)}, 1)) << 1;
        QTest::newRow("opcode cut in half") << bytes([] { auto v = Scrp({Rec::Nop()}, 2); v.push_back(1); return v; }()) << 1;
        QTest::newRow("header only") << bytes(Scrp({})) << 0;
        QTest::newRow("header cut short") << QByteArray("\0\0\1", 3) << 0;
    }
    void LoaderStopsEarly()
    {
        QFETCH(QByteArray, scrp);
        QFETCH(int, statements);
        TestLibrary lib({{"Scrp", 7, std::vector<uint8_t>(scrp.begin(), scrp.end())}});
        ScriptRig rig;
        rig.list.Start(7);
        CScript* script = rig.list.FindScript(7);
        QVERIFY(script);
        QCOMPARE(script->GetStatements()->GetCount(), statements);
        // The statements read run normally and the script then finishes.
        rig.Tick();
        rig.Tick();
        QVERIFY(script->IsFinished());
    }

    void MissingScriptCreatesNothing()
    {
        TestLibrary lib({{"Scrp", 1, Scrp({Rec::Nop()})}});
        ScriptRig rig;
        rig.list.Start(2);
        QVERIFY(rig.list.IsEmpty());
        bool ran = true;
        rig.Tick(50, &ran);
        QVERIFY(!ran);
    }

    void EmptyScriptFinishesOnFirstPass()
    {
        TestLibrary lib({{"Scrp", 1, Scrp({})}});
        ScriptRig rig;
        rig.list.Start(1);
        CScript* script = rig.list.FindScript(1);
        QVERIFY(script && !script->IsFinished());
        bool ran = false;
        rig.Tick(50, &ran);
        QVERIFY(ran);
        QVERIFY(script->IsFinished());
        rig.Tick(50, &ran);
        QVERIFY(!ran);
    }

    void DelayHoldsTheScript()
    {
        TestLibrary lib({{"Scrp", 1, Scrp({Rec::DrawPict(1, 0, 0), Rec::DrawPict(2, 0, 0), Rec::Delay(200),
                                           Rec::DrawPict(3, 0, 0)})}});
        ScriptRig rig;
        rig.list.Start(1);
        bool ran = false;
        QCOMPARE(rig.Tick(0, &ran), (Ids{1, 2})); // t = 1000, waits until 1200
        QVERIFY(ran);
        QCOMPARE(rig.Tick(50, &ran), Ids{}); // 1050
        QVERIFY(!ran);
        QCOMPARE(rig.Tick(149), Ids{}); // 1199: not yet expired
        QCOMPARE(rig.Tick(1, &ran), Ids{}); // 1200: expiry noticed, still skipped
        QVERIFY(!ran);
        QCOMPARE(rig.Tick(1, &ran), Ids{3}); // the tick after
        QVERIFY(ran);
        QVERIFY(rig.list.FindScript(1)->IsFinished());
    }

    void IsWaitingTrueOnTheTickThatClears()
    {
        TestLibrary lib({{"Scrp", 1, Scrp({Rec::Nop()})}});
        ScriptRig rig;
        rig.list.Start(1);
        CScript* s = rig.list.FindScript(1);
        QVERIFY(!s->IsWaiting());
        s->SetDelay(100);
        rig.draw.ticks += 100;
        QVERIFY(s->IsWaiting());
        QVERIFY(!s->IsWaiting());
    }

    void LongDelayCostsOneSkippedTick()
    {
        TestLibrary lib({{"Scrp", 1, Scrp({Rec::Delay(40000), Rec::DrawPict(1, 0, 0), Rec::Delay(40000),
                                           Rec::DrawPict(2, 0, 0)})}});
        ScriptRig rig;
        rig.draw.ticks = 100000;
        rig.list.Start(1);
        QCOMPARE(rig.Tick(), Ids{});
        QCOMPARE(rig.Tick(), Ids{});
        QCOMPARE(rig.Tick(), Ids{1});
        QCOMPARE(rig.Tick(), Ids{});
        QCOMPARE(rig.Tick(), Ids{2});
    }

    void DelaysAcrossTheTickCountWrap_data()
    {
        QTest::addColumn<uint32_t>("startTicks");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<int>("heldTicks"); // 50 ms ticks without a pass
        // Far from the wrap, as on a running system.
        QTest::newRow("200 ms") << 1'000'000u << 200 << 4;
        QTest::newRow("negative, in the past") << 1'000'000u << 40000 << 1;
        // The counter wraps 120 ms after the delay is set.
        QTest::newRow("200 ms over the wrap") << 0xFFFFFFFFu - 170 << 200 << 4;
        QTest::newRow("negative, near the wrap") << 0xFFFFFFFFu - 170 << 60000 << 1;
        // Soon after the counter starts again: the end lies before zero.
        QTest::newRow("negative, just after the wrap") << 950u << 40000 << 1;
        QTest::newRow("negative, at zero") << 4294967246u << 65535 << 1;
    }
    void DelaysAcrossTheTickCountWrap()
    {
        QFETCH(uint32_t, startTicks);
        QFETCH(int, delayMs);
        QFETCH(int, heldTicks);
        TestLibrary lib({{"Scrp", 1, Scrp({Rec::DrawPict(1, 0, 0), Rec::Delay(uint16_t(delayMs)),
                                           Rec::DrawPict(2, 0, 0)})}});
        ScriptRig rig;
        rig.draw.ticks = startTicks;
        rig.list.Start(1);
        QCOMPARE(rig.Tick(), Ids{1}); // the delay is set 50 ms after startTicks
        int held = 0;
        while (held < 100 && rig.Tick().empty())
            ++held;
        QCOMPARE(held, heldTicks);
    }

    void TrailingDelayFinishesAtOnce()
    {
        TestLibrary lib({{"Scrp", 1, Scrp({Rec::DrawPict(1, 0, 0), Rec::Delay(500)})}});
        ScriptRig rig;
        rig.list.Start(1);
        QCOMPARE(rig.Tick(), Ids{1});
        QVERIFY(rig.list.FindScript(1)->IsFinished());
    }

    void CycleCountIsUsedUp()
    {
        TestLibrary lib({{"Scrp", 1, Scrp({Rec::DrawPict(1, 0, 0), Rec::DrawPict(2, 0, 0), Rec::Cycle(2)})}});
        ScriptRig rig;
        rig.list.Start(1);
        QCOMPARE(rig.Tick(), (Ids{1, 2}));
        QCOMPARE(rig.Tick(), (Ids{1, 2}));
        QCOMPARE(rig.Tick(), (Ids{1, 2}));
        CScript* s = rig.list.FindScript(1);
        QVERIFY(s->IsFinished());
        QCOMPARE(rig.Tick(), Ids{});
        // A later restart passes the used-up Cycle: one more showing only.
        s->Restart(0);
        QCOMPARE(rig.Tick(), (Ids{1, 2}));
        QVERIFY(s->IsFinished());
    }

    void CycleZeroRepeatsForever()
    {
        TestLibrary lib({{"Scrp", 1, Scrp({Rec::DrawPict(1, 0, 0), Rec::Cycle(0)})}});
        ScriptRig rig;
        rig.list.Start(1);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(rig.Tick(), Ids{1});
    }

    void NewOnItselfContinuesAtSecondStatement()
    {
        TestLibrary lib({{"Scrp", 1, Scrp({Rec::DrawPict(1, 0, 0), Rec::DrawPict(2, 0, 0), Rec::New(1),
                                           Rec::DrawPict(3, 0, 0)})}});
        ScriptRig rig;
        rig.list.Start(1);
        QCOMPARE(rig.Tick(), (Ids{1, 2}));
        QCOMPARE(rig.Tick(), Ids{2});
        QCOMPARE(rig.Tick(), Ids{2});
        QCOMPARE(rig.list.GetCount(), 1);
    }

    void NewLoadingAScriptEndsTheWalk()
    {
        TestLibrary lib({{"Scrp", 100, Scrp({Rec::New(300), Rec::DrawPict(1, 0, 0)})},
                         {"Scrp", 101, Scrp({Rec::DrawPict(2, 0, 0), Rec::Cycle(0)})},
                         {"Scrp", 300, Scrp({Rec::DrawPict(3, 0, 0), Rec::Cycle(0)})}});
        ScriptRig rig;
        rig.list.Start(100);
        rig.list.Start(101);
        QCOMPARE(rig.Tick(), Ids{});
        QCOMPARE(rig.list.GetCount(), 3);
        QCOMPARE(rig.Tick(), (Ids{1, 2, 3}));
    }

    void NewFindingAnEarlierScriptWalksOnFromIt()
    {
        TestLibrary lib({{"Scrp", 100, Scrp({Rec::DrawPict(1, 0, 0), Rec::End()})},
                         {"Scrp", 101, Scrp({Rec::New(100), Rec::DrawPict(2, 0, 0), Rec::End()})},
                         {"Scrp", 102, Scrp({Rec::DrawPict(3, 0, 0), Rec::End()})}});
        ScriptRig rig;
        rig.list.Start(100);
        rig.list.Start(101);
        rig.list.Start(102);
        // 101's New restarts 100 and the walk goes on at 101 itself, which
        // gets a second pass in the same tick.
        QCOMPARE(rig.Tick(), (Ids{1, 2, 3}));
        QCOMPARE(rig.Tick(), Ids{1});
        QCOMPARE(rig.Tick(), Ids{});
    }

    void NewOfMissingScriptEndsThePassNormally()
    {
        TestLibrary lib({{"Scrp", 1, Scrp({Rec::DrawPict(1, 0, 0), Rec::New(999), Rec::DrawPict(2, 0, 0)})}});
        ScriptRig rig;
        rig.list.Start(1);
        QCOMPARE(rig.Tick(), Ids{1});
        QCOMPARE(rig.Tick(), Ids{2});
        QCOMPARE(rig.list.GetCount(), 1);
    }

    void EndStopsUntilRestart()
    {
        TestLibrary lib({{"Scrp", 1, Scrp({Rec::DrawPict(1, 0, 0), Rec::End(), Rec::DrawPict(2, 0, 0)})}});
        ScriptRig rig;
        rig.list.Start(1);
        QCOMPARE(rig.Tick(), Ids{1});
        QCOMPARE(rig.Tick(), Ids{});
        CScript* s = rig.list.FindScript(1);
        s->Restart(2);
        QCOMPARE(rig.Tick(), Ids{2});
        QVERIFY(s->IsFinished());
    }

    void PassResultCountsDrawingAndUpdateOnly()
    {
        TestLibrary lib({{"Scrp", 1, Scrp({Rec::Nop(), Rec::Update(0, 0, 5, 5), Rec::Nop()})}});
        ScriptRig rig;
        rig.list.Start(1);
        CScript* s = rig.list.FindScript(1);
        QVERIFY(!s->Run()); // NOP
        QVERIFY(s->Run());  // Update counts as drawing
        QVERIFY(!s->Run());
        QVERIFY(s->IsFinished());
    }

    void DumpInSourceNotation()
    {
        std::vector<uint8_t> bytes = Scrp({Rec::DrawPict(1001, 10, 10, -2), Rec::DrawRect(18, 78, 182, 282, 0x663300, 2),
                                           Rec::RectFill(0, 0, 5, 5, 0x01FFCC99), Rec::Delay(250), Rec::Cycle(0),
                                           Bytes().I16(13).U16(0), Rec::Nop()});
        const std::string expected = "script 7\n"
                                     "  DrawPict picture=1001 rect=10,10,0,0 selector=-2\n"
                                     "  DrawRect rect=18,78,182,282 colour=#003366 width=2 pad=61166\n"
                                     "  RectFill rect=0,0,5,5 colour=0x01FFCC99\n"
                                     "  Delay ms=250\n"
                                     "  Cycle count=0\n"
                                     "  # unknown opcode at offset 82: the rest is not read\n"
                                     "end\n";
        QCOMPARE(DumpScript(7, bytes), expected);
        bytes.resize(10);
        QCOMPARE(DumpScript(7, bytes), std::string("script 7\n"
                                                   "  # record at offset 4 runs past the end: the rest is not read\n"
                                                   "end\n"));
    }

    void NewChainsCannotSpinForever()
    {
        // Two scripts that send the walk back to the first one on every
        // pass: the walk is cut, and the tick returns.
        TestLibrary lib({{"Scrp", 1, Scrp({Rec::Nop(), Rec::Cycle(0)})},
                         {"Scrp", 2, Scrp({Rec::New(1), Rec::Cycle(0)})},
                         {"Scrp", 3, Scrp({Rec::New(1), Rec::New(2), Rec::Cycle(0)})}});
        ScriptRig rig;
        rig.list.Start(1);
        rig.list.Start(2);
        rig.list.Start(3);
        for (int i = 0; i < 20; ++i)
            rig.Tick();
        QCOMPARE(rig.list.GetCount(), 3);
    }
};

QTEST_GUILESS_MAIN(TestScript)
#include "ScriptTest.moc"
