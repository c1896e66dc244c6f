#include "CDrawPC.h"
#include "CImageDC.h"
#include "CXRGN.h"
#include "DibBytes.h"
#include "StyleFont.h"

#include "ContentModule.h"
#include "FakeClock.h"

#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QRegularExpression>
#include <QTest>

#include <atomic>
#include <optional>
#include <thread>

namespace {

constexpr QRgb R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF, W = 0xFFFFFFFF, K = 0xFF000000;
constexpr QRgb Y = 0xFFFFFF00, C = 0xFF00FFFF;
constexpr COLORREF kCyan = 0xFFFF00;  // 0x00bbggrr
constexpr COLORREF kRedRef = 0x0000FF;

enum PictureId : uint16_t {
    kOpaque = 10,   // 3 x 2: R K G / Y R B
    kMono = 11,     // 2 x 1, one bit: black, white
    kTile = 12,     // 2 x 2: R G / B Y
    kOneByOne = 13, // 1 x 1: G
    kBroken = 14,   // not a picture
};

std::shared_ptr<const ContentModule> TestModule(bool withPalette = true)
{
    std::vector<ContentModule::RawResource> resources;
    if (withPalette)
        resources.push_back({ResName(kRtBitmap), ResName(253),
                             dib::Make(1, 1, 8, {0x123456, 0xABCDEF}, {{0}}, 2)});
    // Bottom-up rows: the bottom row Y R B is stored first.
    resources.push_back({ResName(kRtBitmap), ResName(kOpaque),
                         dib::Make(3, 2, 8, {0xFF0000, 0x000000, 0x00FF00, 0xFFFF00, 0x0000FF},
                                   {{3, 0, 4}, {0, 1, 2}}, 5)});
    resources.push_back({ResName(kRtBitmap), ResName(kMono), dib::Make(2, 1, 1, {0x000000, 0xFFFFFF}, {{0x40}})});
    resources.push_back({ResName(kRtBitmap), ResName(kTile),
                         dib::Make(2, -2, 24, {}, {{0, 0, 0xFF, 0, 0xFF, 0}, {0xFF, 0, 0, 0, 0xFF, 0xFF}})});
    resources.push_back({ResName(kRtBitmap), ResName(kOneByOne), dib::Make(1, 1, 24, {}, {{0, 0xFF, 0}})});
    resources.push_back({ResName(kRtBitmap), ResName(kBroken), {1, 2, 3}});
    return ContentModule::FromResources(std::move(resources));
}

/// Records every copy a drawing context makes.
class RecordingDC : public CTargetDC {
public:
    QRect ClientRect() const override { return QRect(0, 0, 640, 480); }
    bool GetClipBox(QRect* box) const override
    {
        *box = ClientRect();
        return true;
    }
    void CopyFrom(const QImage&, const QRect& rect, const QRegion& exclude) override
    {
        copies.append(rect);
        excludes.append(exclude);
    }
    QList<QRect> copies;
    QList<QRegion> excludes;
};

QRect Rect(int l, int t, int r, int b)
{
    return QRect(l, t, r - l, b - t);
}

/// Every pixel of `image` inside `area` that is not white.
QList<QPoint> Painted(const QImage& image, const QRect& area)
{
    QList<QPoint> out;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != W)
                out.append(QPoint(x, y));
    return out;
}

QRect Flushed(CDrawPC& draw, RecordingDC& dc)
{
    dc.copies.clear();
    draw.Flush();
    return dc.copies.size() == 1 ? dc.copies.front() : QRect(-1, -1, 0, 0);
}

std::vector<uint8_t> StyleRun(int16_t fontNumber, uint16_t face, int16_t size, COLORREF colour)
{
    std::vector<uint8_t> run;
    dib::Put32(run, 0);
    dib::Put16(run, 20);
    dib::Put16(run, 15);
    dib::Put16(run, uint16_t(fontNumber));
    dib::Put16(run, face);
    dib::Put16(run, uint16_t(size));
    dib::Put32(run, colour);
    return run;
}

} // namespace

class CDrawPCTest : public QObject {
    Q_OBJECT
private slots:
    void CreateNeedsPaletteBitmapAndClientArea();
    void CreateStartsWhiteWithWholeClip();
    void CreateAgainStartsOver();
    void OpaquePictureAndItsDirtyRectangle();
    void KeyedPicture_data();
    void KeyedPicture();
    void PictureOutsideClipIsSkipped();
    void MissingPictureDrawsNothing();
    void PicturesFollowTheLoadedModule();
    void FillCoversHalfOpenRectangle();
    void FillIgnoresClipRegionButNotSelectedClip();
    void FrameWidthZero();
    void FrameWidthFive();
    void Lines_data();
    void Lines();
    void OutlineBoxRule_data();
    void OutlineBoxRule();
    void FarCoordinatesAreSafe();
    void ThinLineAcrossWholeCoordinateRange();
    void TilingWithClip();
    void TilingHugeRectangleStaysBounded();
    void ShowRectLeavesControlsUntouched();
    void FlushCopiesDirtyBoundingBoxOnce();
    void OwnerRegionCollectsDrawing();
    void MouseState();
    void MouseStateIsNeverTorn();
    void TicksComeFromTheGivenClock();
    void TextIsDrawnAndPenAdvances();
    void SmallArialIsRaisedToEleven();
    void VersionEscape();
    void TextHonoursSelectedClip();

private:
    QImage* Buffer(CDrawPC& draw) { return draw.GetOffscreenDC(); }
};

void CDrawPCTest::CreateNeedsPaletteBitmapAndClientArea()
{
    RecordingDC dc;
    {
        CDrawPC draw(&dc);
        QVERIFY(!draw.Create()); // no content library loaded
    }
    {
        ScopedContentLibrary library(TestModule(false));
        QVERIFY(library.IsLoaded());
        CDrawPC draw(&dc);
        QVERIFY(!draw.Create());
    }
    ScopedContentLibrary library(TestModule());
    CImageDC empty(QSize(0, 0));
    CDrawPC noArea(&empty);
    QVERIFY(!noArea.Create());
    CDrawPC noTarget(nullptr);
    QVERIFY(!noTarget.Create());
}

void CDrawPCTest::CreateStartsWhiteWithWholeClip()
{
    ScopedContentLibrary library(TestModule());
    CImageDC dc(QSize(640, 480));
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    QImage* buffer = draw.GetOffscreenDC();
    QVERIFY(buffer);
    QCOMPARE(buffer->size(), QSize(640, 480));
    QCOMPARE(buffer->format(), QImage::Format_RGB32);
    QVERIFY(Painted(*buffer, buffer->rect()).isEmpty());
    QCOMPARE(draw.GetPalette(), (QList<QRgb>{qRgb(0x12, 0x34, 0x56), qRgb(0xAB, 0xCD, 0xEF)}));
    RECT bounds;
    QCOMPARE(*draw.GetBounds(&bounds), (RECT{0, 0, 640, 480}));
    // The clip covers the client area, beyond the region's 620 x 480 start.
    const POINT corner{639, 479}, outside{640, 10};
    QVERIFY(draw.PtVisible(&corner));
    QVERIFY(!draw.PtVisible(&outside));
    QVERIFY(!draw.IsClipEmpty());
    QVERIFY(draw.IsDirtyEmpty());
}

void CDrawPCTest::CreateAgainStartsOver()
{
    ScopedContentLibrary library(TestModule());
    RecordingDC dc;
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    const QRegion clip(QRect(0, 0, 10, 10));
    draw.SetClip(&clip);
    const RECT rect{5, 5, 20, 6};
    draw.FillRect(&rect, &kRedRef);
    QVERIFY(draw.Create());
    // A fresh buffer, a clip over the client area and nothing selected.
    QVERIFY(Painted(*Buffer(draw), Buffer(draw)->rect()).isEmpty());
    QVERIFY(draw.IsDirtyEmpty());
    const POINT corner{639, 479};
    QVERIFY(draw.PtVisible(&corner));
    draw.FillRect(&rect, &kRedRef);
    QCOMPARE(Painted(*Buffer(draw), Buffer(draw)->rect()).size(), 15);
}

void CDrawPCTest::OpaquePictureAndItsDirtyRectangle()
{
    ScopedContentLibrary library(TestModule());
    RecordingDC dc;
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    const RECT at{10, 20, 0, 0};
    QVERIFY(draw.DrawPicture(&at, kOpaque, -1));
    const QImage& b = *Buffer(draw);
    const QList<QRgb> top{b.pixel(10, 20), b.pixel(11, 20), b.pixel(12, 20)};
    const QList<QRgb> bottom{b.pixel(10, 21), b.pixel(11, 21), b.pixel(12, 21)};
    QCOMPARE(top, (QList<QRgb>{R, K, G}));
    QCOMPARE(bottom, (QList<QRgb>{Y, R, B}));
    QCOMPARE(Painted(b, b.rect()).size(), 6);
    // One pixel wider and taller than the picture.
    const RECT lastColumn{13, 20, 14, 23}, beyond{14, 20, 15, 23};
    QVERIFY(draw.IsDirty(&lastColumn));
    QVERIFY(!draw.IsDirty(&beyond));
    QCOMPARE(Flushed(draw, dc), Rect(10, 20, 14, 23));
}

void CDrawPCTest::KeyedPicture_data()
{
    QTest::addColumn<int>("selector");
    QTest::addColumn<QList<QRgb>>("expected"); // top row, then bottom row; C = background
    QTest::addColumn<QList<QRgb>>("mono");     // the one-bit black, white picture
    QTest::newRow("-1 opaque") << -1 << QList<QRgb>{R, K, G, Y, R, B} << QList<QRgb>{K, W};
    QTest::newRow("-2 top-left, twice") << -2 << QList<QRgb>{C, K, G, Y, C, B} << QList<QRgb>{C, W};
    QTest::newRow("-3 top-right") << -3 << QList<QRgb>{R, K, C, Y, R, B} << QList<QRgb>{K, C};
    QTest::newRow("-4 bottom-right") << -4 << QList<QRgb>{R, K, G, Y, R, C} << QList<QRgb>{K, C};
    QTest::newRow("-5 bottom-left") << -5 << QList<QRgb>{R, K, G, C, R, B} << QList<QRgb>{C, W};
    QTest::newRow("-9 no corner") << -9 << QList<QRgb>{R, K, G, Y, R, B} << QList<QRgb>{K, W};
}

void CDrawPCTest::KeyedPicture()
{
    QFETCH(int, selector);
    QFETCH(QList<QRgb>, expected);
    QFETCH(QList<QRgb>, mono);
    ScopedContentLibrary library(TestModule());
    RecordingDC dc;
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    const RECT background{0, 0, 100, 100};
    draw.FillRect(&background, &kCyan);
    const RECT at{30, 40, 33, 42}; // a bounding box that is visible
    draw.DrawPicture(&at, kOpaque, int16_t(selector));
    const QImage& b = *Buffer(draw);
    const QList<QRgb> got{b.pixel(30, 40), b.pixel(31, 40), b.pixel(32, 40),
                          b.pixel(30, 41), b.pixel(31, 41), b.pixel(32, 41)};
    QCOMPARE(got, expected);
    QCOMPARE(b.pixel(33, 40), C);
    QCOMPARE(b.pixel(30, 42), C);

    // A one-bit picture is loaded into the display's format like any
    // other, so its key colour is transparent too.
    const RECT monoAt{50, 50, 0, 0};
    draw.DrawPicture(&monoAt, kMono, int16_t(selector));
    QCOMPARE((QList<QRgb>{b.pixel(50, 50), b.pixel(51, 50)}), mono);
}

void CDrawPCTest::PictureOutsideClipIsSkipped()
{
    ScopedContentLibrary library(TestModule());
    RecordingDC dc;
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    const QRegion clip(QRect(0, 0, 100, 100));
    draw.SetClip(&clip);

    // The bounding box lies outside: nothing is loaded or drawn.
    const RECT boxOutside{10, 10, 300, 300};
    const RECT boxFar{200, 200, 300, 300};
    QVERIFY(!draw.DrawPicture(&boxFar, kOpaque, -1));
    // Without a bounding box the picture rectangle decides.
    const RECT farAway{150, 150, 0, 0};
    QVERIFY(!draw.DrawPicture(&farAway, kOpaque, -1));
    QVERIFY(draw.IsDirtyEmpty());
    QVERIFY(Painted(*Buffer(draw), Buffer(draw)->rect()).isEmpty());

    // Partly inside: drawn, cut by the selected clip, dirty as a whole.
    const RECT edge{99, 99, 0, 0};
    QVERIFY(draw.DrawPicture(&edge, kOpaque, -1));
    QCOMPARE(Painted(*Buffer(draw), Buffer(draw)->rect()), QList<QPoint>{QPoint(99, 99)});
    QCOMPARE(Flushed(draw, dc), Rect(99, 99, 103, 102));
    QVERIFY(draw.DrawPicture(&boxOutside, kOpaque, -1));
}

void CDrawPCTest::MissingPictureDrawsNothing()
{
    ScopedContentLibrary library(TestModule());
    RecordingDC dc;
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    const RECT at{0, 0, 0, 0};
    QVERIFY(!draw.DrawPicture(&at, 999, -1));
    QVERIFY(!draw.DrawPicture(&at, kBroken, -2));
    const RECT tile{0, 0, 50, 50};
    draw.TilePicture(&tile, 999);
    QVERIFY(draw.IsDirtyEmpty());
    // Good data next to the bad still draws.
    QVERIFY(draw.DrawPicture(&at, kOneByOne, -1));
    QCOMPARE(Buffer(draw)->pixel(0, 0), G);
}

void CDrawPCTest::PicturesFollowTheLoadedModule()
{
    RecordingDC dc;
    std::optional<ScopedContentLibrary> library;
    library.emplace(TestModule());
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    const RECT first{0, 0, 0, 0}, second{1, 0, 0, 0}, third{2, 0, 0, 0};
    QVERIFY(draw.DrawPicture(&first, kOneByOne, -1));
    library.reset();
    QVERIFY(!draw.DrawPicture(&second, kOneByOne, -1)); // nothing loaded
    library.emplace(ContentModule::FromResources(
        {{ResName(kRtBitmap), ResName(kOneByOne), dib::Make(1, 1, 24, {}, {{0, 0, 0xFF}})}}));
    QVERIFY(draw.DrawPicture(&third, kOneByOne, -1));
    const QImage& b = *Buffer(draw);
    QCOMPARE((QList<QRgb>{b.pixel(0, 0), b.pixel(1, 0), b.pixel(2, 0)}), (QList<QRgb>{G, W, R}));
}

void CDrawPCTest::FillCoversHalfOpenRectangle()
{
    ScopedContentLibrary library(TestModule());
    RecordingDC dc;
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    const RECT rect{5, 5, 8, 7};
    draw.FillRect(&rect, &kRedRef);
    const QList<QPoint> expected{{5, 5}, {6, 5}, {7, 5}, {5, 6}, {6, 6}, {7, 6}};
    QCOMPARE(Painted(*Buffer(draw), Buffer(draw)->rect()), expected);
    QCOMPARE(Buffer(draw)->pixel(5, 5), R);
    QCOMPARE(Flushed(draw, dc), Rect(5, 5, 8, 7));
    // Inverted rectangles draw nothing.
    const RECT inverted{20, 20, 10, 30};
    draw.FillRect(&inverted, &kRedRef);
    QVERIFY(draw.IsDirtyEmpty());
}

void CDrawPCTest::FillIgnoresClipRegionButNotSelectedClip()
{
    ScopedContentLibrary library(TestModule());
    RecordingDC dc;
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    draw.ClearClip();
    const RECT small{0, 0, 1, 1};
    draw.AddClipRect(&small);
    const RECT rect{5, 5, 8, 6};
    draw.FillRect(&rect, &kRedRef);
    QCOMPARE(Painted(*Buffer(draw), Buffer(draw)->rect()).size(), 3);

    const QRegion clip(QRect(0, 0, 16, 100));
    draw.SetClip(&clip);
    const RECT wide{10, 10, 20, 11};
    draw.FillRect(&wide, &kRedRef);
    QCOMPARE(Painted(*Buffer(draw), Rect(0, 10, 640, 11)).size(), 6);
    QCOMPARE(Flushed(draw, dc), Rect(5, 5, 20, 11));

    draw.SetClip(nullptr);
    draw.FillRect(&wide, &kRedRef);
    QCOMPARE(Painted(*Buffer(draw), Rect(0, 10, 640, 11)).size(), 10);
    const POINT corner{639, 479};
    QVERIFY(draw.PtVisible(&corner));
}

void CDrawPCTest::FrameWidthZero()
{
    ScopedContentLibrary library(TestModule());
    RecordingDC dc;
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    const RECT rect{2, 2, 6, 5};
    draw.FrameRect(&rect, &kRedRef, 0);
    // The outline runs through both corners, inclusive.
    QList<QPoint> expected;
    for (int y = 2; y <= 5; ++y)
        for (int x = 2; x <= 6; ++x)
            if (y == 2 || y == 5 || x == 2 || x == 6)
                expected.append(QPoint(x, y));
    QCOMPARE(Painted(*Buffer(draw), Rect(0, 0, 20, 20)), expected);
    // The dirty box is the rectangle itself.
    QCOMPARE(Flushed(draw, dc), Rect(2, 2, 6, 5));
}

void CDrawPCTest::FrameWidthFive()
{
    ScopedContentLibrary library(TestModule());
    RecordingDC dc;
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    const RECT rect{2, 2, 50, 50};
    draw.FrameRect(&rect, &kRedRef, 5);
    const QImage& b = *Buffer(draw);
    // Five pixels across each side, centred on it.
    for (int x = 0; x <= 60; ++x) {
        const bool onSide = (x >= 0 && x <= 4) || (x >= 48 && x <= 52);
        QCOMPARE(b.pixel(x, 26) == R, onSide);
        QCOMPARE(b.pixel(26, x) == R, onSide);
    }
    QCOMPARE(Flushed(draw, dc), Rect(0, 0, 55, 55));
    // A frame outside the clip draws nothing.
    const QRegion clip(QRect(100, 100, 10, 10));
    draw.SetClip(&clip);
    draw.FrameRect(&rect, &kRedRef, 5);
    QVERIFY(draw.IsDirtyEmpty());
}

void CDrawPCTest::Lines_data()
{
    QTest::addColumn<QRect>("line"); // left, top = start; right, bottom = end
    QTest::addColumn<int>("width");
    QTest::addColumn<QList<QPoint>>("pixels");
    QTest::addColumn<QRect>("dirty");
    auto L = [](int x1, int y1, int x2, int y2) { return QRect(QPoint(x1, y1), QPoint(x2, y2)); };
    QTest::newRow("horizontal w1") << L(10, 10, 15, 10) << 1
                                   << QList<QPoint>{{10, 10}, {11, 10}, {12, 10}, {13, 10}, {14, 10}}
                                   << Rect(9, 9, 16, 11);
    QTest::newRow("leftwards w1") << L(15, 10, 12, 10) << 1 << QList<QPoint>{{13, 10}, {14, 10}, {15, 10}}
                                  << Rect(11, 9, 16, 11);
    QTest::newRow("vertical w0") << L(5, 3, 5, 7) << 0 << QList<QPoint>{{5, 3}, {5, 4}, {5, 5}, {5, 6}}
                                 << Rect(5, 3, 6, 7);
    QTest::newRow("diagonal w0") << L(3, 3, 6, 6) << 0 << QList<QPoint>{{3, 3}, {4, 4}, {5, 5}}
                                 << Rect(3, 3, 6, 6);
    QTest::newRow("shallow w1") << L(2, 2, 8, 4) << 1
                                << QList<QPoint>{{2, 2}, {3, 2}, {4, 3}, {5, 3}, {6, 3}, {7, 4}}
                                << Rect(1, 1, 9, 5);
    QTest::newRow("point") << L(7, 7, 7, 7) << 1 << QList<QPoint>{} << Rect(6, 6, 8, 8);
    QTest::newRow("wide w3") << L(10, 10, 13, 10) << 3
                             << QList<QPoint>{{9, 9},   {10, 9},  {11, 9},  {12, 9},  {13, 9},  {14, 9},
                                              {9, 10},  {10, 10}, {11, 10}, {12, 10}, {13, 10}, {14, 10},
                                              {9, 11},  {10, 11}, {11, 11}, {12, 11}, {13, 11}, {14, 11}}
                             << Rect(7, 7, 16, 13);
}

void CDrawPCTest::Lines()
{
    QFETCH(QRect, line);
    QFETCH(int, width);
    QFETCH(QList<QPoint>, pixels);
    QFETCH(QRect, dirty);
    ScopedContentLibrary library(TestModule());
    RecordingDC dc;
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    const RECT r{line.left(), line.top(), line.right(), line.bottom()};
    draw.DrawLine(&r, &kRedRef, uint16_t(width));
    QCOMPARE(Painted(*Buffer(draw), Rect(0, 0, 30, 30)), pixels);
    QCOMPARE(Flushed(draw, dc), dirty);
}

void CDrawPCTest::OutlineBoxRule_data()
{
    QTest::addColumn<QRect>("corners");
    QTest::addColumn<int>("width");
    QTest::addColumn<QRect>("box");
    auto L = [](int x1, int y1, int x2, int y2) { return QRect(QPoint(x1, y1), QPoint(x2, y2)); };
    QTest::newRow("frame 2..50 w5") << L(2, 2, 50, 50) << 5 << L(0, 0, 55, 55);
    QTest::newRow("min greater than width") << L(20, 30, 10, 5) << 3 << L(7, 2, 23, 33);
    QTest::newRow("min equal to width") << L(3, 3, 9, 9) << 3 << L(0, 0, 12, 12);
    QTest::newRow("width 0") << L(4, 5, 6, 7) << 0 << L(4, 5, 6, 7);
    QTest::newRow("negative") << L(-10, -10, 5, 5) << 1 << L(0, 0, 6, 6);
    QTest::newRow("16-bit wrap") << L(32760, 0, 32767, 10) << 10 << L(32750, 0, -32759, 20);
}

void CDrawPCTest::OutlineBoxRule()
{
    QFETCH(QRect, corners);
    QFETCH(int, width);
    QFETCH(QRect, box);
    const RECT got = OutlineBox(RECT{corners.left(), corners.top(), corners.right(), corners.bottom()},
                                uint16_t(width));
    QCOMPARE(got, (RECT{box.left(), box.top(), box.right(), box.bottom()}));
}

void CDrawPCTest::FarCoordinatesAreSafe()
{
    ScopedContentLibrary library(TestModule());
    RecordingDC dc;
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    const QImage& b = *Buffer(draw);
    const RECT thin{-1'000'000'000, -1'000'000'000, 1'000'000'000, 1'000'000'000};
    draw.DrawLine(&thin, &kRedRef, 0);
    QCOMPARE(b.pixel(0, 0), R);
    QCOMPARE(b.pixel(479, 479), R);
    QCOMPARE(b.pixel(100, 101), W);
    const RECT wide{2'000'000'000, -2'000'000'000, -2'000'000'000, 2'000'000'000};
    draw.DrawLine(&wide, &kRedRef, 3);
    QCOMPARE(b.pixel(320, 240), W); // the stroke passes through (0, 0)
    QCOMPARE(b.pixel(0, 0), R);
    const RECT frame{-2'147'483'000, -5, 2'147'483'000, 100};
    draw.FrameRect(&frame, &kRedRef, 7);
    QCOMPARE(b.pixel(300, 100), R);
    QCOMPARE(b.pixel(300, 97), R);
    QCOMPARE(b.pixel(300, 96), W);
    const RECT farPicture{INT32_MAX - 1, INT32_MAX - 1, 0, 0};
    QVERIFY(!draw.DrawPicture(&farPicture, kOpaque, -2));
    POINT pen{INT32_MAX - 3, 50};
    const auto run = StyleRun(1, 0, 12, 0);
    draw.DrawText(&pen, "wide text", run.data(), 9);
    QCOMPARE(pen.x, INT32_MAX);
}

void CDrawPCTest::ThinLineAcrossWholeCoordinateRange()
{
    ScopedContentLibrary library(TestModule());
    RecordingDC dc;
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    // From corner to corner of the 32-bit plane: the line is y = x, so the
    // buffer shows exactly its diagonal, whatever the step arithmetic.
    const RECT line{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    draw.DrawLine(&line, &kRedRef, 0);
    QList<QPoint> diagonal;
    for (int i = 0; i < 480; ++i)
        diagonal.append(QPoint(i, i));
    QCOMPARE(Painted(*Buffer(draw), Buffer(draw)->rect()), diagonal);
    // Right to left along x + y = 639, also from edge to edge of the plane.
    CDrawPC mirrored(&dc);
    QVERIFY(mirrored.Create());
    const RECT back{INT32_MAX, INT32_MIN + 640, INT32_MIN + 640, INT32_MAX};
    mirrored.DrawLine(&back, &kRedRef, 0);
    QList<QPoint> antiDiagonal;
    for (int y = 0; y < 480; ++y)
        antiDiagonal.append(QPoint(639 - y, y));
    QCOMPARE(Painted(*Buffer(mirrored), Buffer(mirrored)->rect()), antiDiagonal);
}

void CDrawPCTest::TilingWithClip()
{
    ScopedContentLibrary library(TestModule());
    RecordingDC dc;
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    const QRegion clip(Rect(3, 3, 8, 7));
    draw.SetClip(&clip);
    const RECT rect{1, 1, 10, 10};
    draw.TilePicture(&rect, kTile);
    const QImage& b = *Buffer(draw);
    const QRgb tile[2][2] = {{R, G}, {B, Y}};
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 3 && x < 8 && y >= 3 && y < 7;
            const QRgb want = inside ? tile[(y - 1) % 2][(x - 1) % 2] : W;
            QCOMPARE(b.pixel(x, y), want);
        }
    }
    QCOMPARE(Flushed(draw, dc), Rect(3, 3, 8, 7));

    // An empty rectangle becomes the selected clip's box.
    const RECT none{0, 0, 0, 0};
    draw.TilePicture(&none, kOneByOne);
    QCOMPARE(b.pixel(3, 3), G);
    QCOMPARE(b.pixel(7, 6), G);
    QCOMPARE(b.pixel(8, 6), W);
    QCOMPARE(Flushed(draw, dc), Rect(3, 3, 8, 7));

    // The clip region alone (nothing selected) also limits tiles.
    draw.SetClip(nullptr);
    draw.ClearClip();
    const RECT band{20, 0, 22, 480};
    draw.AddClipRect(&band);
    const RECT all{0, 0, 640, 480};
    draw.TilePicture(&all, kOneByOne);
    QCOMPARE(Painted(*Buffer(draw), Rect(0, 100, 640, 101)), (QList<QPoint>{{20, 100}, {21, 100}}));
    QCOMPARE(Flushed(draw, dc), Rect(20, 0, 22, 480));
}

void CDrawPCTest::TilingHugeRectangleStaysBounded()
{
    ScopedContentLibrary library(TestModule());
    RecordingDC dc;
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    const RECT huge{-2'000'000'000, -2'000'000'000, 2'000'000'000, 2'000'000'000};
    draw.TilePicture(&huge, kOneByOne);
    QCOMPARE(Buffer(draw)->pixel(0, 0), G);
    QCOMPARE(Buffer(draw)->pixel(639, 479), G);
    QCOMPARE(Flushed(draw, dc), Rect(0, 0, 640, 480));
}

void CDrawPCTest::ShowRectLeavesControlsUntouched()
{
    ScopedContentLibrary library(TestModule());
    CImageDC dc(QSize(640, 480));
    const QRegion controls(Rect(100, 100, 200, 150));
    CDrawPC draw(&dc, &controls);
    QVERIFY(draw.Create());
    const RECT all{0, 0, 640, 480};
    draw.FillRect(&all, &kRedRef);
    draw.ShowRect(&all);
    const QImage& target = dc.Image();
    QCOMPARE(target.pixel(99, 100), R);
    QCOMPARE(target.pixel(100, 100), W);
    QCOMPARE(target.pixel(199, 149), W);
    QCOMPARE(target.pixel(200, 149), R);
    QCOMPARE(target.pixel(150, 150), R);
    QCOMPARE(Painted(target, target.rect()).size(), 640 * 480 - 100 * 50);

    // ShowRegion of an empty region copies nothing.
    const int copies = dc.CopyCount();
    CXRGN region;
    QVERIFY(region.Create());
    draw.ShowRegion(&region);
    const RECT nothing{5, 5, 5, 5};
    draw.ShowRect(&nothing);
    QCOMPARE(dc.CopyCount(), copies);
}

void CDrawPCTest::FlushCopiesDirtyBoundingBoxOnce()
{
    ScopedContentLibrary library(TestModule());
    CImageDC dc(QSize(640, 480));
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    draw.Flush();
    QCOMPARE(dc.CopyCount(), 0);

    const RECT a{10, 10, 20, 20}, b{100, 50, 110, 60};
    draw.FillRect(&a, &kRedRef);
    draw.FillRect(&b, &kRedRef);
    RecordingDC recorder;
    draw.SetDC(&recorder);
    QCOMPARE(Flushed(draw, recorder), Rect(10, 10, 110, 60));
    QVERIFY(draw.IsDirtyEmpty());
    recorder.copies.clear();
    draw.Flush();
    QVERIFY(recorder.copies.isEmpty());

    draw.SetDC(&dc);
    draw.FillRect(&a, &kRedRef);
    draw.Flush();
    QCOMPARE(dc.CopyCount(), 1);
    QCOMPARE(dc.Image().pixel(10, 10), R);
    QCOMPARE(dc.Image().pixel(100, 50), W); // drawn, but flushed to the other target
}

void CDrawPCTest::OwnerRegionCollectsDrawing()
{
    ScopedContentLibrary library(TestModule());
    RecordingDC dc;
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    CXRGN owner;
    QVERIFY(owner.Create());
    draw.SetOwnerRegion(&owner);
    const RECT rect{30, 30, 40, 40};
    draw.FillRect(&rect, &kRedRef);
    const RECT more{50, 50, 60, 60};
    draw.FillRect(&more, &kRedRef);
    const QRegion drawn = QRegion(Rect(30, 30, 40, 40)) + QRegion(Rect(50, 50, 60, 60));
    QCOMPARE(*owner.GetRgn(), drawn);
    draw.SetOwnerRegion(nullptr);
    const RECT later{0, 0, 5, 5};
    draw.FillRect(&later, &kRedRef);
    QCOMPARE(*owner.GetRgn(), drawn);
}

void CDrawPCTest::MouseState()
{
    CDrawPC draw(nullptr);
    POINT p{1, 1};
    QCOMPARE(*draw.GetMousePos(&p), (POINT{0, 0}));
    QVERIFY(draw.IsButtonUp());
    draw.SetMouse(0x0005, 12, -7); // left button and Shift
    QVERIFY(draw.IsButtonDown());
    QVERIFY(!draw.IsButtonUp());
    QCOMPARE(*draw.GetMousePos(&p), (POINT{12, -7}));
    draw.SetMouse(0xFFFE, 639, 479);
    QVERIFY(draw.IsButtonUp());
    QCOMPARE(draw.GetMouseFlags(), uint16_t(0xFFFE));
    QCOMPARE(*draw.GetMousePos(&p), (POINT{639, 479}));
    draw.SetMouse(1, 100'000'000, -100'000'000);
    QCOMPARE(*draw.GetMousePos(&p), (POINT{(1 << 23) - 1, -(1 << 23)}));
}

void CDrawPCTest::MouseStateIsNeverTorn()
{
    CDrawPC draw(nullptr);
    draw.SetMouse(1, 10, 10);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop.load(); ++i) {
            if (i % 2)
                draw.SetMouse(1, 10, 10);
            else
                draw.SetMouse(0, -20, 20000);
        }
    });
    int torn = 0;
    for (int i = 0; i < 200'000; ++i) {
        // Read everything from one load-through: position then flags may
        // come from different events, but each position must be whole.
        POINT p;
        draw.GetMousePos(&p);
        if (!((p.x == 10 && p.y == 10) || (p.x == -20 && p.y == 20000)))
            ++torn;
    }
    stop = true;
    writer.join();
    QCOMPARE(torn, 0);
}

void CDrawPCTest::TicksComeFromTheGivenClock()
{
    FakeClock clock(5000);
    CDrawPC draw(nullptr, nullptr, [&] { return uint32_t(clock.NowMs()); });
    QCOMPARE(draw.GetTicks(), 5000u);
    clock.AdvanceMs(50);
    QCOMPARE(draw.GetTicks(), 5050u);

    // Without a clock it reads the boot-time clock, which keeps counting
    // through suspend: the value lies between two readings taken around it.
    const auto bootMs = [] {
        timespec ts{};
        clock_gettime(CLOCK_BOOTTIME, &ts);
        return uint32_t(uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec) / 1'000'000);
    };
    CDrawPC system(nullptr);
    const uint32_t before = bootMs();
    const uint32_t ticks = system.GetTicks();
    const uint32_t after = bootMs();
    QVERIFY(ticks - before <= after - before);
}

void CDrawPCTest::TextIsDrawnAndPenAdvances()
{
    ScopedContentLibrary library(TestModule());
    RecordingDC dc;
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    const auto run = StyleRun(1, 0, 20, kRedRef);
    POINT pen{10, 40};
    draw.DrawText(&pen, "Hello", run.data(), 5);

    QFont arial(QStringLiteral("Liberation Sans"));
    arial.setPixelSize(20);
    arial.setKerning(false);
    arial.setHintingPreference(QFont::PreferNoHinting);
    const int advance = QFontMetrics(arial).horizontalAdvance(QStringLiteral("Hello"));
    QVERIFY(advance > 30 && advance < 80);
    QCOMPARE(pen, (POINT{10 + advance, 40}));

    // Red-ish pixels above the baseline, inside the advance; nothing far away.
    const QList<QPoint> painted = Painted(*Buffer(draw), Buffer(draw)->rect());
    QVERIFY(painted.size() > 40);
    for (const QPoint& p : painted) {
        QVERIFY2(p.x() >= 10 && p.x() < 10 + advance + 2 && p.y() > 40 - 22 && p.y() <= 40 + 6,
                 qPrintable(QStringLiteral("pixel at %1,%2").arg(p.x()).arg(p.y())));
    }
    bool solidRed = false;
    for (const QPoint& p : painted)
        solidRed = solidRed || Buffer(draw)->pixel(p) == R;
    QVERIFY(solidRed);
    // Text leaves the dirty region alone: its caller accounts for it.
    QVERIFY(draw.IsDirtyEmpty());

    // The same text in bold is wider.
    POINT boldPen{10, 100};
    const auto bold = StyleRun(1, kFaceBold, 20, kRedRef);
    draw.DrawText(&boldPen, "Hello", bold.data(), 5);
    QVERIFY(boldPen.x - 10 > advance);
}

void CDrawPCTest::SmallArialIsRaisedToEleven()
{
    ScopedContentLibrary library(TestModule());
    RecordingDC dc;
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    auto width = [&](int16_t font, int16_t size) {
        POINT pen{0, 100};
        const auto run = StyleRun(font, 0, size, 0);
        draw.DrawText(&pen, "MMMMMMMMMM", run.data(), 10);
        return pen.x;
    };
    QCOMPARE(width(1, 9), width(1, 11));
    QCOMPARE(width(7, 2), width(1, 11));
    QVERIFY(width(1, 12) > width(1, 11));
    // "MS Sans Serif" keeps its size.
    QVERIFY(width(0, 9) < width(0, 11));
    QCOMPARE(QFontInfo(StyleFont(StyleRun(0, 0, 9, 0).data())).family(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(QFontInfo(StyleFont(StyleRun(1, 0, 9, 0).data())).family(), QStringLiteral("Liberation Sans"));
    QCOMPARE(StyleColour(StyleRun(0, 0, 9, 0x00123456).data()), COLORREF(0x00123456));
}

void CDrawPCTest::VersionEscape()
{
    // The version CMake was given, read from the project file itself.
    QFile cmake(qEnvironmentVariable("OVANTIS_SOURCE_DIR") + "/CMakeLists.txt");
    QVERIFY(cmake.open(QIODevice::ReadOnly));
    const QRegularExpressionMatch m =
        QRegularExpression(R"(project\([^)]*VERSION\s+(\d+)\.(\d+)\.(\d+))").match(QString::fromUtf8(cmake.readAll()));
    QVERIFY(m.hasMatch());
    const QString version = m.captured(1) + "." + m.captured(2) + "." + m.captured(3);
    QCOMPARE(CDrawPC::ProductVersion(), version);

    ScopedContentLibrary library(TestModule());
    CImageDC dc(QSize(200, 150));
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    const auto run = StyleRun(1, 0, 14, 0);
    const QByteArray literal = version.toLatin1();
    POINT a{0, 30}, b{0, 70}, c{0, 130};
    draw.DrawText(&a, literal.constData(), run.data(), uint16_t(literal.size()));
    draw.DrawText(&b, "\\v and more", run.data(), 2);
    draw.DrawText(&c, "\\V", run.data(), 2);
    QCOMPARE(b.x, a.x);
    QCOMPARE(c.x, a.x);
    const QImage& img = *Buffer(draw);
    QCOMPARE(img.copy(0, 10, 200, 30), img.copy(0, 50, 200, 30));
    QCOMPARE(img.copy(0, 10, 200, 30), img.copy(0, 110, 200, 30));
    // Any other escape draws its two characters.
    POINT d{0, 30}, e{0, 30};
    draw.DrawText(&d, "\\x", run.data(), 2);
    draw.DrawText(&e, "x", run.data(), 1);
    QVERIFY(d.x > e.x);
}

void CDrawPCTest::TextHonoursSelectedClip()
{
    ScopedContentLibrary library(TestModule());
    RecordingDC dc;
    CDrawPC draw(&dc);
    QVERIFY(draw.Create());
    const QRegion clip(Rect(0, 0, 30, 480));
    draw.SetClip(&clip);
    const auto run = StyleRun(1, 0, 20, 0);
    POINT pen{10, 40};
    draw.DrawText(&pen, "WWWWWWWW", run.data(), 8);
    const QList<QPoint> painted = Painted(*Buffer(draw), Buffer(draw)->rect());
    QVERIFY(!painted.isEmpty());
    for (const QPoint& p : painted)
        QVERIFY(p.x() < 30);
    QVERIFY(pen.x > 100);
}

QTEST_MAIN(CDrawPCTest)
#include "CDrawPCTest.moc"
