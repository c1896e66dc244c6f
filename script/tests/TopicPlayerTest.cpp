// End to end through the real drawing context: topics built byte by byte,
// played by CTopicPlayer on an image target, pixels checked against values
// worked out by hand from the records.
#include "CImageDC.h"
#include "CStatementDrawText.h"
#include "CStchTpic.h"
#include "CTopicPlayer.h"
#include "CTrigger.h"
#include "EngineFixture.h"
#include "StyleFont.h"

#include <QFontMetrics>
#include <QTest>

namespace {

constexpr QRgb kPixRed = 0xFFFF0000, kPixGreen = 0xFF00FF00, kPixBlue = 0xFF0000FF, kPixYellow = 0xFFFFFF00,
               kPixWhite = 0xFFFFFFFF, kPixBlack = 0xFF000000;

std::vector<uint8_t> PaletteBitmap()
{
    return Dib8(1, 1, {0x000000, 0xFFFFFF}, {{1}});
}

// 4 x 3: red green blue red / green green green green / blue red red blue.
std::vector<uint8_t> Picture1()
{
    return Dib8(4, 3, {0xFF0000, 0x00FF00, 0x0000FF}, {{0, 1, 2, 0}, {1, 1, 1, 1}, {2, 0, 0, 2}});
}

std::vector<ContentModule::RawResource> PictureTopic()
{
    return {{ResName("Trig"), ResName(200), Trig({TrigRecord(1, 30), TrigRecord(2, 20)})},
            // COLORREF 0x00FFFF: red 0xFF, green 0xFF, blue 0.
            {ResName("Scrp"), ResName(20), Scrp({Rec::RectFill(0, 0, 100, 100, 0x00FFFF)})},
            {ResName("Scrp"), ResName(30),
             Scrp({Rec::DrawPict(1, 10, 20, -1), Rec::Nop(), Rec::DrawPict(1, 40, 20, -2)})},
            {ResName(kRtBitmap), ResName(253), PaletteBitmap()},
            {ResName(kRtBitmap), ResName(1), Picture1()}};
}

struct Player {
    uint32_t now = 5'000'000;
    CImageDC target{QSize(160, 120)};
    CTopicPlayer player;

    explicit Player(uint16_t topic) : player(topic, &target, nullptr, [this] { return now; }) {}
    void Tick()
    {
        now += 50;
        player.Tick();
    }
    QRgb Pixel(int x, int y) const { return player.GetDraw()->GetOffscreenDC()->pixel(x, y); }
    QRgb Shown(int x, int y) const { return target.Image().pixel(x, y); }
};

} // namespace

class TestTopicPlayer : public QObject {
    Q_OBJECT
private slots:
    void PicturesFillsAndRepaint()
    {
        ScopedContentLibrary lib(ContentModule::FromResources(PictureTopic()));
        QVERIFY(lib.IsLoaded());

        Player p(200);
        QCOMPARE(p.player.Open(), 1);
        p.Tick(); // triggers armed, nothing drawn or copied
        QCOMPARE(p.Pixel(10, 20), kPixWhite);
        QCOMPARE(p.target.CopyCount(), 0);

        p.Tick(); // background fill, then the opaque picture at (10, 20)
        const struct {
            int x, y;
            QRgb colour;
        } second[] = {{10, 20, kPixRed},   {11, 20, kPixGreen}, {12, 20, kPixBlue},   {13, 20, kPixRed},   {10, 21, kPixGreen},
                      {13, 22, kPixBlue},  {11, 22, kPixRed},   {14, 20, kPixYellow}, {9, 20, kPixYellow}, {10, 23, kPixYellow},
                      {99, 99, kPixYellow}, {100, 50, kPixWhite}, {50, 100, kPixWhite}, {0, 0, kPixYellow}};
        for (const auto& e : second) {
            QCOMPARE(p.Pixel(e.x, e.y), e.colour);
            QCOMPARE(p.Shown(e.x, e.y), e.colour);
        }

        p.Tick(); // the picture keyed on its top-left colour (red) at (40, 20)
        const struct {
            int x, y;
            QRgb colour;
        } third[] = {{40, 20, kPixYellow}, {41, 20, kPixGreen}, {42, 20, kPixBlue},   {43, 20, kPixYellow}, {40, 21, kPixGreen},
                     {40, 22, kPixBlue},   {41, 22, kPixYellow}, {43, 22, kPixBlue}, {10, 20, kPixRed}};
        for (const auto& e : third) {
            QCOMPARE(p.Pixel(e.x, e.y), e.colour);
            QCOMPARE(p.Shown(e.x, e.y), e.colour);
        }

        p.Tick(); // the trigger stops
        QCOMPARE(p.Pixel(10, 20), kPixRed);
        p.Tick(); // its area is given back to the background
        for (QPoint at : {QPoint(10, 20), QPoint(13, 22), QPoint(41, 20), QPoint(43, 22)}) {
            QCOMPARE(p.Pixel(at.x(), at.y()), kPixYellow);
            QCOMPARE(p.Shown(at.x(), at.y()), kPixYellow);
        }
        QCOMPARE(p.Pixel(100, 50), kPixWhite);
        p.Tick(); // and it runs again from the start
        QCOMPARE(p.Pixel(10, 20), kPixRed);
        QCOMPARE(p.Shown(10, 20), kPixRed);
    }

    void OpenFailures()
    {
        {
            TestLibrary lib({{"Trig", 200, Trig({})}});
            Player p(200); // no palette bitmap 253
            QCOMPARE(p.player.Open(), 0);
            QVERIFY(!p.player.GetDraw());
            QCOMPARE(p.player.Tick(), 1);
        }
        {
            std::vector<ContentModule::RawResource> raw{{ResName(kRtBitmap), ResName(253), PaletteBitmap()},
                                                        {ResName("Trig"), ResName(200), Trig({TrigRecord(8, 1)})}};
            ScopedContentLibrary lib(ContentModule::FromResources(std::move(raw)));
            Player p(200); // unknown trigger kind
            QCOMPARE(p.player.Open(), 0);
            QVERIFY(!p.player.GetTopic());
            Player q(201); // no such topic
            QCOMPARE(q.player.Open(), 0);
        }
    }

    void TextLayoutWithInstalledFonts()
    {
        // Arial (Liberation Sans) 20 px, line height 24, ascent 19, black.
        const std::vector<uint8_t> styl = Styl({{0, 24, 19, 1, 0, 20, 0x000000}});
        std::vector<ContentModule::RawResource> raw{
            {ResName(kRtBitmap), ResName(253), PaletteBitmap()},
            {ResName("Trig"), ResName(200), Trig({TrigRecord(2, 40)})},
            {ResName("Scrp"), ResName(40), Scrp({Rec::DrawText(5, 20, 10)})},
            {ResName("Styt"), ResName(5), Bytes().Text("Hello  \rWorld").b},
            {ResName("styl"), ResName(5), styl}};
        ScopedContentLibrary lib(ContentModule::FromResources(std::move(raw)));
        Player p(200);
        QCOMPARE(p.player.Open(), 1);
        p.Tick();
        p.Tick();

        CScript* script = p.player.GetTopic()->Triggers().GetFirst()->Scripts().GetFirst();
        auto* text = dynamic_cast<CStatementDrawText*>(script->GetStatements()->GetFirst());
        QVERIFY(text);
        std::vector<std::pair<uint32_t, int>> blocks;
        for (CStyleBlock* b = text->Blocks().GetFirst(); b; b = text->Blocks().GetNext())
            blocks.emplace_back(b->start, b->drawLength);
        QCOMPARE(blocks, (std::vector<std::pair<uint32_t, int>>{{0, 5}, {8, 5}}));

        const QFontMetrics metrics(StyleFont(styl.data() + 2));
        const int right = 20 + std::max(metrics.horizontalAdvance("Hello"), metrics.horizontalAdvance("World"));
        // Baselines at 10 + 24 = 34 and 58; top = min(10, 34 - 19); bottom = 58 + 24 - 19.
        QCOMPARE(text->TextBox(), (RECT{20, 10, right, 63}));

        // Ink lies on each line between its baseline's ascent and baseline,
        // and nothing is drawn right of the box or above the first line.
        auto inkIn = [&](int left, int top, int r, int bottom) {
            int count = 0;
            for (int y = top; y < bottom; ++y)
                for (int x = left; x < r; ++x)
                    count += qGray(p.Pixel(x, y)) < 128;
            return count;
        };
        QVERIFY(inkIn(20, 34 - 19, right, 34) > 20);
        QVERIFY(inkIn(20, 58 - 19, right, 58) > 20);
        QCOMPARE(inkIn(right + 1, 0, 160, 120), 0);
        QCOMPARE(inkIn(0, 0, 160, 10), 0);
        QCOMPARE(p.Shown(20, 10), p.Pixel(20, 10));
        Q_UNUSED(kPixBlack);
    }
};

QTEST_MAIN(TestTopicPlayer)
#include "TopicPlayerTest.moc"
