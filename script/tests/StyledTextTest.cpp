#include "CScript.h"
#include "CStatementDrawText.h"
#include "EngineFixture.h"

#include <QTest>

namespace {

struct BlockRow {
    uint32_t start;
    int drawLength;
    int lineStart;
    int lineHeight;
    uint32_t end;
    bool operator==(const BlockRow&) const = default;
};

std::vector<BlockRow> LayOut(const std::string& text, const std::vector<uint8_t>& styl)
{
    std::vector<BlockRow> rows;
    for (const auto& b : CStatementDrawText::Layout({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, styl))
        rows.push_back({b->start, b->drawLength, b->lineStart, b->lineHeight, b->end});
    return rows;
}

QString Describe(const std::vector<BlockRow>& rows)
{
    QStringList parts;
    for (const BlockRow& r : rows)
        parts << QString("{%1,%2,%3,%4,%5}").arg(r.start).arg(r.drawLength).arg(r.lineStart).arg(r.lineHeight).arg(r.end);
    return parts.join(' ');
}

Run R(uint32_t start, int16_t lineHeight, int16_t ascent = 10)
{
    return Run{start, lineHeight, ascent, 1, 0, 12, 0};
}

} // namespace

Q_DECLARE_METATYPE(std::vector<BlockRow>)
Q_DECLARE_METATYPE(std::vector<uint8_t>)

class TestStyledText : public QObject {
    Q_OBJECT
private slots:
    void Layout_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<std::vector<uint8_t>>("styl");
        QTest::addColumn<std::vector<BlockRow>>("blocks");
        QTest::newRow("blanks before a break are not drawn") << QByteArray("Hello  \rWorld") << Styl({R(0, 20)})
            << std::vector<BlockRow>{{0, 5, 1, 20, 8}, {8, 5, 1, 20, 13}};
        QTest::newRow("two runs on one line") << QByteArray("Bigsmall") << Styl({R(0, 30), R(3, 12)})
            << std::vector<BlockRow>{{0, 3, 1, 30, 3}, {3, 5, 0, 0, 8}};
        QTest::newRow("tall run on the second line only") << QByteArray("ab\ncd") << Styl({R(0, 12), R(4, 30)})
            << std::vector<BlockRow>{{0, 2, 1, 12, 3}, {3, 1, 1, 30, 4}, {4, 1, 0, 0, 5}};
        QTest::newRow("blank kept before an escape") << QByteArray("Version \\V") << Styl({R(0, 16)})
            << std::vector<BlockRow>{{0, 8, 1, 16, 8}, {8, 2, 0, 0, 10}};
        QTest::newRow("other escape") << QByteArray("a\\b") << Styl({R(0, 16)})
            << std::vector<BlockRow>{{0, 1, 1, 16, 1}, {1, 2, 0, 0, 3}};
        QTest::newRow("CR LF makes an empty line") << QByteArray("A\r\nB") << Styl({R(0, 16)})
            << std::vector<BlockRow>{{0, 1, 1, 16, 2}, {2, 0, 1, 16, 3}, {3, 1, 1, 16, 4}};
        QTest::newRow("blanks at a run's end are drawn") << QByteArray("ab  cd") << Styl({R(0, 16), R(4, 16)})
            << std::vector<BlockRow>{{0, 4, 1, 16, 4}, {4, 2, 0, 0, 6}};
        QTest::newRow("backslash ending the text") << QByteArray("ab\\") << Styl({R(0, 16)})
            << std::vector<BlockRow>{{0, 2, 1, 16, 2}, {2, 1, 0, 0, 3}};
        QTest::newRow("run starting past the text") << QByteArray("abc") << Styl({R(0, 16), R(100, 40)})
            << std::vector<BlockRow>{{0, 3, 1, 16, 3}}; // a run with no blocks adds no height
        QTest::newRow("runs out of order") << QByteArray("abcd") << Styl({R(2, 16), R(1, 20)})
            << std::vector<BlockRow>{{1, 3, 1, 20, 4}};
        std::vector<uint8_t> cut = Styl({R(0, 16), R(2, 20)});
        cut.resize(cut.size() - 1);
        QTest::newRow("run cut short is not read") << QByteArray("abcd") << cut
            << std::vector<BlockRow>{{0, 4, 1, 16, 4}};
        QTest::newRow("no runs") << QByteArray("abcd") << Styl({}) << std::vector<BlockRow>{};
        QTest::newRow("negative run count") << QByteArray("abcd") << std::vector<uint8_t>{0xFF, 0xFF} << std::vector<BlockRow>{};
    }
    void Layout()
    {
        QFETCH(QByteArray, text);
        QFETCH(std::vector<uint8_t>, styl);
        QFETCH(std::vector<BlockRow>, blocks);
        const auto got = LayOut(text.toStdString(), styl);
        if (got != blocks)
            QFAIL(qPrintable("got " + Describe(got) + ", expected " + Describe(blocks)));
    }

    void DrawingPlacesLinesAndComputesTheBox_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<std::vector<uint8_t>>("styl");
        QTest::addColumn<QStringList>("drawn"); // "text@x,y"
        QTest::addColumn<QRect>("box");         // left, top, right, bottom as QRect(QPoint, QPoint) corners
        // Pen advance is 7 pixels a character in the recording context.
        QTest::newRow("two lines") << QByteArray("Hello  \rWorld") << Styl({R(0, 20, 15)})
            << QStringList{"Hello@10,50", "World@10,70"} << QRect(QPoint(10, 30), QPoint(45, 75));
        QTest::newRow("two runs on one line") << QByteArray("Bigsmall") << Styl({R(0, 30, 24), R(3, 12, 10)})
            << QStringList{"Big@10,60", "small@31,60"} << QRect(QPoint(10, 30), QPoint(66, 66));
        QTest::newRow("empty line from CR LF") << QByteArray("A\r\nB") << Styl({R(0, 16, 12)})
            << QStringList{"A@10,46", "B@10,78"} << QRect(QPoint(10, 30), QPoint(17, 82));
    }
    void DrawingPlacesLinesAndComputesTheBox()
    {
        QFETCH(QByteArray, text);
        QFETCH(std::vector<uint8_t>, styl);
        QFETCH(QStringList, drawn);
        QFETCH(QRect, box);
        TestLibrary lib({{"Scrp", 1, Scrp({Rec::DrawText(5, 10, 30), Rec::DrawPict(77, 0, 0)})},
                         {"Styt", 5, std::vector<uint8_t>(text.begin(), text.end())},
                         {"styl", 5, styl}});
        ScriptRig rig;
        rig.list.Start(1);
        rig.draw.ClearDirty();
        rig.list.RunAll();
        QStringList got;
        bool pictureDrawn = false;
        for (const auto& c : rig.draw.calls) {
            if (c.op == "text")
                got << QString("%1@%2,%3").arg(QString::fromStdString(c.text)).arg(c.rect.left).arg(c.rect.top);
            pictureDrawn |= c.op == "pict";
        }
        QCOMPARE(got, drawn);
        QVERIFY(pictureDrawn); // the pass went on
        auto* statement = dynamic_cast<CStatementDrawText*>(rig.list.GetFirst()->GetStatements()->GetFirst());
        QVERIFY(statement);
        const RECT expected{box.left(), box.top(), box.right(), box.bottom()};
        QCOMPARE(statement->TextBox(), expected);
        // The text box is what the text adds to the dirty area.
        QVERIFY(rig.draw.IsDirty(&expected));
    }

    void TextBoxOutsideTheClipDrawsNothing()
    {
        TestLibrary lib({{"Scrp", 1, Scrp({Rec::DrawText(5, 10, 30), Rec::DrawPict(77, 300, 300), Rec::Cycle(0)})},
                         {"Styt", 5, Bytes().Text("Hi").b},
                         {"styl", 5, Styl({R(0, 20, 15)})}});
        ScriptRig rig;
        rig.list.Start(1);
        rig.Tick();
        rig.draw.calls.clear();
        QRegion elsewhere(300, 300, 10, 10);
        rig.draw.SetClip(&elsewhere);
        rig.draw.ClearDirty();
        rig.list.RunAll();
        QCOMPARE(rig.draw.calls.size(), size_t(1));
        QCOMPARE(rig.draw.calls[0].op, std::string("pict")); // the pass went on
        auto* statement = dynamic_cast<CStatementDrawText*>(rig.list.GetFirst()->GetStatements()->GetFirst());
        const RECT box = statement->TextBox();
        QCOMPARE(box, (RECT{10, 30, 24, 55}));
        QVERIFY(!rig.draw.IsDirty(&box));
    }

    void MissingTextAtExecutionMovesOn()
    {
        const auto script = Scrp({Rec::DrawText(5, 10, 30), Rec::DrawPict(77, 0, 0)});
        auto lib = std::make_unique<TestLibrary>(std::vector<Res>{
            {"Scrp", 1, script}, {"Styt", 5, Bytes().Text("Hi").b}, {"styl", 5, Styl({R(0, 20, 15)})}});
        ScriptRig rig;
        rig.list.Start(1);
        lib.reset();
        lib = std::make_unique<TestLibrary>(std::vector<Res>{{"Scrp", 1, script}});
        QCOMPARE(rig.Tick(), Ids{77});
        QVERIFY(rig.list.GetFirst()->IsFinished());
    }

    void MissingRunsDrawNothing()
    {
        TestLibrary lib({{"Scrp", 1, Scrp({Rec::DrawText(5, 10, 30), Rec::DrawPict(77, 0, 0)})},
                         {"Styt", 5, Bytes().Text("Hi").b}});
        ScriptRig rig;
        rig.list.Start(1);
        rig.list.RunAll();
        QCOMPARE(rig.draw.calls.size(), size_t(1));
        QCOMPARE(rig.draw.calls[0].op, std::string("pict"));
    }
};

QTEST_GUILESS_MAIN(TestStyledText)
#include "StyledTextTest.moc"
