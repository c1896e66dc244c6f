#include "CDrawPC.h"
#include "CPrinterDC.h"
#include "CWindowSurfaceDC.h"
#include "DibBytes.h"

#include "ContentModule.h"

#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr QRgb White = 0xFFFFFFFF, Green = 0xFF00FF00, Red = 0xFFFF0000, Blue = 0xFF0000FF;
constexpr QRgb Yellow = 0xFFFFFF00;

// A content library holding only the palette bitmap that Create needs.
std::shared_ptr<const ContentModule> PaletteModule()
{
    return ContentModule::FromResources(
        {{ResName(kRtBitmap), ResName(253), dib::Make(1, 1, 8, {0x000000, 0xFFFFFF}, {{0}}, 2)}});
}

COLORREF Ref(QRgb c)
{
    return COLORREF(qRed(c)) | COLORREF(qGreen(c)) << 8 | COLORREF(qBlue(c)) << 16;
}

void Fill(CDrawPC& draw, int l, int t, int r, int b, QRgb colour)
{
    const RECT rect{l, t, r, b};
    const COLORREF ref = Ref(colour);
    draw.FillRect(&rect, &ref);
}

// What a player's Paint does with a target: copy its clip box.
void Paint(CDrawPC& draw, CTargetDC& dc)
{
    QRect box;
    if (!dc.GetClipBox(&box))
        return;
    const RECT rect = RECT::FromQRect(box);
    draw.ShowRect(&rect);
}

bool Near(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) < 40 && qAbs(qGreen(a) - qGreen(b)) < 40 && qAbs(qBlue(a) - qBlue(b)) < 40;
}

// The view's surface with every repaint request it made.
struct Surface {
    QList<QRect> requests;
    CWindowSurfaceDC dc{QSize(640, 480), [this](const QRect& r) { requests.append(r); }};
};

} // namespace

class TargetDCTest : public QObject {
    Q_OBJECT
private slots:
    void surfaceFlushCopiesDirtyBox_data();
    void surfaceFlushCopiesDirtyBox();
    void surfaceNothingDrawnNoRepaint();
    void surfacePaintCopiesClipOnly();
    void surfaceConvertsOtherFormats();
    void printerPageMapsViewOntoPaper_data();
    void printerPageMapsViewOntoPaper();
};

void TargetDCTest::surfaceFlushCopiesDirtyBox_data()
{
    QTest::addColumn<QRegion>("controls");
    QTest::addColumn<QList<QRect>>("requests");
    const QRect box(10, 20, 110, 110); // (10,20)-(120,130)
    QTest::newRow("no controls") << QRegion() << QList<QRect>{box};
    QTest::newRow("control across the red fill")
        << QRegion(QRect(30, 30, 40, 40)).united(QRect(600, 0, 40, 40)) << QList<QRect>{box};
    QTest::newRow("controls cover the box") << QRegion(QRect(0, 0, 200, 200)) << QList<QRect>{};
}

void TargetDCTest::surfaceFlushCopiesDirtyBox()
{
    QFETCH(QRegion, controls);
    QFETCH(QList<QRect>, requests);
    ScopedContentLibrary library(PaletteModule());
    Surface surface;
    CDrawPC draw(&surface.dc, &controls);
    QVERIFY(draw.Create());
    // Green everywhere in the buffer but not dirty: only the box may show it.
    draw.GetOffscreenDC()->fill(Green);
    Fill(draw, 10, 20, 50, 60, Red);
    Fill(draw, 100, 100, 120, 130, Blue);
    draw.Flush();

    QCOMPARE(surface.requests, requests);
    const QImage& image = surface.dc.Image();
    QCOMPARE(image.size(), QSize(640, 480));
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            QRgb want = White;
            if (x >= 10 && x < 120 && y >= 20 && y < 130 && !controls.contains(QPoint(x, y))) {
                want = Green;
                if (x < 50 && y < 60)
                    want = Red;
                else if (x >= 100 && y >= 100)
                    want = Blue;
            }
            if (image.pixel(x, y) != want)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3").arg(x).arg(y).arg(image.pixel(x, y), 8, 16)));
        }
    }
}

void TargetDCTest::surfaceNothingDrawnNoRepaint()
{
    ScopedContentLibrary library(PaletteModule());
    Surface surface;
    CDrawPC draw(&surface.dc);
    QVERIFY(draw.Create());
    draw.GetOffscreenDC()->fill(Green);
    draw.Flush();
    QVERIFY(surface.requests.isEmpty());
    QRect box;
    QVERIFY(!surface.dc.GetClipBox(&box)); // no paint pending
    QImage white(640, 480, QImage::Format_RGB32);
    white.fill(White);
    QCOMPARE(surface.dc.Image(), white);
}

void TargetDCTest::surfacePaintCopiesClipOnly()
{
    ScopedContentLibrary library(PaletteModule());
    Surface surface;
    CDrawPC draw(&surface.dc);
    QVERIFY(draw.Create());
    draw.GetOffscreenDC()->fill(Green);

    // A paint that reaches past the view's edge copies what lies inside it.
    surface.dc.SetPaintClip(QRect(630, 5, 30, 10));
    Paint(draw, surface.dc);
    surface.dc.ClearPaintClip();
    // Painting draws the surface itself: asking for another repaint would loop.
    QVERIFY(surface.requests.isEmpty());
    const QImage& image = surface.dc.Image();
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            QCOMPARE(image.pixel(x, y), (x >= 630 && y >= 5 && y < 15) ? Green : White);

    QRect box;
    surface.dc.SetPaintClip(QRect(700, 500, 10, 10));
    QVERIFY(!surface.dc.GetClipBox(&box));
    surface.dc.ClearPaintClip();
    QVERIFY(!surface.dc.GetClipBox(&box));
}

void TargetDCTest::surfaceConvertsOtherFormats()
{
    Surface surface;
    QImage source(640, 480, QImage::Format_RGB16);
    source.fill(Qt::green);
    source.setPixel(7, 8, qRgb(255, 0, 0));
    source.setPixel(14, 14, qRgb(0, 0, 255));
    surface.dc.CopyFrom(source, QRect(5, 5, 10, 10), QRegion());
    QCOMPARE(surface.requests, QList<QRect>{QRect(5, 5, 10, 10)});
    const QImage& image = surface.dc.Image();
    QCOMPARE(image.pixel(7, 8), Red);
    QCOMPARE(image.pixel(14, 14), Blue);
    QCOMPARE(image.pixel(5, 5), Green);
    QCOMPARE(image.pixel(15, 14), White);
    QCOMPARE(image.pixel(4, 5), White);
}

void TargetDCTest::printerPageMapsViewOntoPaper_data()
{
    // Page in points, the writer's resolution, the logical page, the
    // rendering resolution, and by hand: scale and offset of the logical
    // page in rendered pixels.
    QTest::addColumn<QSizeF>("paper");
    QTest::addColumn<int>("writerDpi");
    QTest::addColumn<QSize>("logical");
    QTest::addColumn<int>("renderDpi");
    QTest::addColumn<double>("scale");
    QTest::addColumn<QPointF>("offset");
    QTest::addColumn<QRegion>("controls");
    // 800/640 = 1.25 < 800/480: 600 tall, centred 100 down.
    QTest::newRow("square paper") << QSizeF(800, 800) << 72 << QSize() << 72 << 1.25 << QPointF(0, 100) << QRegion();
    // 480/480 = 1 < 960/640: 640 wide, centred 160 across.
    QTest::newRow("wide paper") << QSizeF(960, 480) << 72 << QSize() << 72 << 1.0 << QPointF(160, 0) << QRegion();
    // Device 1600 px square; rendered at 36 dpi the paper is 400 px: 0.625.
    QTest::newRow("fine device, coarse render")
        << QSizeF(800, 800) << 144 << QSize() << 36 << 0.625 << QPointF(0, 50) << QRegion();
    // A 320 x 240 page: 800/320 = 2.5, 600 tall, 100 down. A control over
    // the blue fill leaves the paper there blank.
    QTest::newRow("given logical page, control")
        << QSizeF(800, 800) << 72 << QSize(320, 240) << 72 << 2.5 << QPointF(0, 100)
        << QRegion(145, 35, 50, 50);
}

void TargetDCTest::printerPageMapsViewOntoPaper()
{
    QFETCH(QSizeF, paper);
    QFETCH(int, writerDpi);
    QFETCH(QSize, logical);
    QFETCH(int, renderDpi);
    QFETCH(double, scale);
    QFETCH(QPointF, offset);
    QFETCH(QRegion, controls);
    const QSize page = logical.isEmpty() ? QSize(640, 480) : logical;

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString pdf = dir.filePath("page.pdf");
    {
        ScopedContentLibrary library(PaletteModule());
        QPdfWriter writer(pdf);
        writer.setResolution(writerDpi);
        writer.setPageSize(QPageSize(paper, QPageSize::Point, QString(), QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
        QPainter painter(&writer);
        QVERIFY(painter.isActive());
        CPrinterDC printer(&painter, logical);
        QCOMPARE(printer.ClientRect(), QRect(QPoint(0, 0), page));
        CDrawPC draw(&printer, &controls);
        QVERIFY(draw.Create());
        Fill(draw, 0, 0, page.width(), page.height(), Yellow);
        Fill(draw, 10, 10, 110, 90, Red);
        Fill(draw, 200, 150, 300, 230, Green);
        Fill(draw, 150, 40, 190, 80, Blue);
        Paint(draw, printer);
    }

    QProcess render;
    render.start("pdftoppm", {"-png", "-singlefile", "-r", QString::number(renderDpi), pdf, dir.filePath("page")});
    QVERIFY(render.waitForFinished(60000));
    QCOMPARE(render.exitCode(), 0);
    QImage image(dir.filePath("page.png"));
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), (paper * renderDpi / 72).toSize());

    const auto at = [&](double x, double y) { return image.pixel(QPointF(offset + QPointF(x, y) * scale).toPoint()); };
    QStringList wrong;
    const auto check = [&](const char* what, QRgb got, QRgb want) {
        if (!Near(got, want))
            wrong << QStringLiteral("%1: %2, expected %3").arg(what).arg(got, 8, 16).arg(want, 8, 16);
    };
    check("red middle", at(60, 50), Red);
    check("green middle", at(250, 190), Green);
    check("blue middle", at(170, 60), controls.isEmpty() ? Blue : White);
    check("background", at(150, 120), Yellow);
    // The page's corners reach the paper's edges (or the centred margins)
    // and no further: 3 rendered pixels inside each is yellow, outside white.
    const QRectF onPaper(offset, QSizeF(page) * scale);
    check("top left", image.pixel((onPaper.topLeft() + QPointF(3, 3)).toPoint()), Yellow);
    check("bottom right", image.pixel((onPaper.bottomRight() - QPointF(4, 4)).toPoint()), Yellow);
    if (offset.y() > 0) {
        check("margin above", image.pixel(QPointF(onPaper.center().x(), onPaper.top() - 4).toPoint()), White);
        check("margin below", image.pixel(QPointF(onPaper.center().x(), onPaper.bottom() + 3).toPoint()), White);
    }
    if (offset.x() > 0) {
        check("margin left", image.pixel(QPointF(onPaper.left() - 4, onPaper.center().y()).toPoint()), White);
        check("margin right", image.pixel(QPointF(onPaper.right() + 3, onPaper.center().y()).toPoint()), White);
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join("; ")));
}

QTEST_MAIN(TargetDCTest)
#include "TargetDCTest.moc"
