#include "DibBytes.h"
#include "Picture.h"

#include "ContentModule.h"

#include <QTest>

using Bytes = std::vector<uint8_t>;
Q_DECLARE_METATYPE(Bytes)

namespace {

constexpr QRgb R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF, W = 0xFFFFFFFF, K = 0xFF000000;
constexpr QRgb Y = 0xFFFFFF00;

QList<QRgb> Pixels(const QImage& image)
{
    QList<QRgb> out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            out.append(image.pixel(x, y));
    return out;
}

} // namespace

class PictureTest : public QObject {
    Q_OBJECT
private slots:
    void Decodes_data();
    void Decodes();
    void RefusesWhatIsNoPicture_data();
    void RefusesWhatIsNoPicture();
    void CutRowsReadAsIndexZero();
    void ColourCountIsCutByResourceSize();
    void PaletteReadsTableAtOffset40();
    void LoadPictureFindsBitmapResources();
    void KeyColourBySelector_data();
    void KeyColourBySelector();
    void MaskMarksKeyPixels();
};

void PictureTest::Decodes_data()
{
    QTest::addColumn<Bytes>("dib");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QList<QRgb>>("pixels"); // top row first

    // 1 bpp, 3 x 2, bottom-up: bottom row 1,0,1 -> 0b101xxxxx; top row 0,1,1.
    QTest::newRow("1bpp bottom-up")
        << dib::Make(3, 2, 1, {0x000000, 0xFFFFFF}, {{0xA0}, {0x60}}) << 3 << 2
        << QList<QRgb>{K, W, W, W, K, W};
    // 4 bpp, 3 x 2, top-down: indices 1 2 3 / 3 2 1.
    QTest::newRow("4bpp top-down")
        << dib::Make(3, -2, 4, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF}, {{0x12, 0x30}, {0x32, 0x10}}, 4)
        << 3 << 2 << QList<QRgb>{R, G, B, B, G, R};
    // 8 bpp with a 4-colour table given by biClrUsed: 2 x 2 bottom-up.
    QTest::newRow("8bpp clrUsed 4")
        << dib::Make(2, 2, 8, {0xFFFF00, 0x0000FF, 0xFF0000, 0x000000}, {{0, 1}, {2, 3}}, 4) << 2 << 2
        << QList<QRgb>{R, K, Y, B};
    // 8 bpp, index past the table reads black.
    QTest::newRow("8bpp index past table")
        << dib::Make(2, 1, 8, {0xFF0000, 0x00FF00}, {{1, 7}}, 2) << 2 << 1 << QList<QRgb>{G, K};
    // 24 bpp, 2 x 2 bottom-up: stored B, G, R per pixel; each row padded to 8.
    QTest::newRow("24bpp bottom-up")
        << dib::Make(2, 2, 24, {}, {{0xFF, 0, 0, 0, 0xFF, 0}, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF}}) << 2 << 2
        << QList<QRgb>{R, W, B, G};
    // 24 bpp top-down, 1 x 3.
    QTest::newRow("24bpp top-down")
        << dib::Make(1, -3, 24, {}, {{0, 0, 0xFF}, {0, 0xFF, 0}, {0xFF, 0, 0}}) << 1 << 3
        << QList<QRgb>{R, G, B};
    // 1 bpp, 9 pixels wide: two bytes of bits per row, padded to four.
    QTest::newRow("1bpp two bytes")
        << dib::Make(9, 1, 1, {0xFF0000, 0x0000FF}, {{0x80, 0x80}}) << 9 << 1
        << QList<QRgb>{B, R, R, R, R, R, R, R, B};
}

void PictureTest::Decodes()
{
    QFETCH(Bytes, dib);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QList<QRgb>, pixels);
    const QImage image = DecodePicture(dib);
    QVERIFY(!image.isNull());
    QCOMPARE(image.width(), width);
    QCOMPARE(image.height(), height);
    QCOMPARE(Pixels(image), pixels);
}

void PictureTest::RefusesWhatIsNoPicture_data()
{
    QTest::addColumn<Bytes>("dib");
    const Bytes good = dib::Make(2, 1, 8, {0xFF0000, 0x00FF00}, {{1, 0}}, 2);
    auto patched = [&](size_t offset, uint32_t value) {
        Bytes b = good;
        for (int i = 0; i < 4; ++i)
            b[offset + i] = uint8_t(value >> (8 * i));
        return b;
    };
    auto patched16 = [&](size_t offset, uint16_t value) {
        Bytes b = good;
        b[offset] = uint8_t(value);
        b[offset + 1] = uint8_t(value >> 8);
        return b;
    };
    QTest::newRow("empty") << Bytes{};
    QTest::newRow("short header") << Bytes(good.begin(), good.begin() + 30);
    QTest::newRow("core header size") << patched(0, 12);
    QTest::newRow("header size past end") << patched(0, 1000);
    QTest::newRow("zero width") << patched(4, 0);
    QTest::newRow("negative width") << patched(4, uint32_t(-2));
    QTest::newRow("zero height") << patched(8, 0);
    QTest::newRow("width 4097") << patched(4, 4097);
    QTest::newRow("height -4097") << patched(8, uint32_t(-4097));
    QTest::newRow("height INT_MIN") << patched(8, 0x80000000u);
    QTest::newRow("16 bpp") << patched16(14, 16);
    QTest::newRow("32 bpp") << patched16(14, 32);
    QTest::newRow("RLE8") << patched(16, 1);
}

void PictureTest::RefusesWhatIsNoPicture()
{
    QFETCH(Bytes, dib);
    QVERIFY(DecodePicture(dib).isNull());
}

void PictureTest::CutRowsReadAsIndexZero()
{
    // 8 bpp 2 x 2 bottom-up; only the first stored row (the bottom one) is
    // there, and only one byte of it.
    Bytes b = dib::Make(2, 2, 8, {0x00FF00, 0xFF0000}, {{1, 1}, {1, 1}}, 2);
    b.resize(40 + 8 + 1);
    const QImage image = DecodePicture(b);
    QVERIFY(!image.isNull());
    QCOMPARE(Pixels(image), (QList<QRgb>{G, G, R, G}));
}

void PictureTest::ColourCountIsCutByResourceSize()
{
    // biClrUsed claims a million colours; the table holds the two present
    // and the bits follow right after them... which here means none at all.
    Bytes b = dib::Make(1, 1, 8, {0x0000FF, 0xFF0000}, {}, 1'000'000);
    int count = -1;
    const QList<QRgb> palette = CreateDIBPalette(b, &count);
    QCOMPARE(count, 2);
    QCOMPARE(palette, (QList<QRgb>{B, R}));
    const QImage image = DecodePicture(b);
    QVERIFY(!image.isNull());
    QCOMPARE(image.pixel(0, 0), B); // index 0 from the missing row
}

void PictureTest::PaletteReadsTableAtOffset40()
{
    int count = -1;
    QCOMPARE(CreateDIBPalette(dib::Make(1, 1, 1, {0x102030, 0x405060}, {{0}}), &count),
             (QList<QRgb>{qRgb(0x10, 0x20, 0x30), qRgb(0x40, 0x50, 0x60)}));
    QCOMPARE(count, 2);
    // A 44-byte header: the palette still starts at offset 40, so the
    // header's last four bytes make its first entry, while the pixels take
    // their colours from the table that follows the header.
    Bytes wide = dib::Make(2, 1, 8, {0x0000FF, 0xFF0000}, {{0, 1}}, 2);
    wide[0] = 44;
    const uint8_t extra[4] = {0x30, 0x20, 0x10, 0}; // blue, green, red, 0
    wide.insert(wide.begin() + 40, extra, extra + 4);
    QCOMPARE(CreateDIBPalette(wide, &count), (QList<QRgb>{qRgb(0x10, 0x20, 0x30), B}));
    QCOMPARE(count, 2);
    QCOMPARE(Pixels(DecodePicture(wide)), (QList<QRgb>{B, R}));
    // 24 bits and no biClrUsed: no palette.
    QVERIFY(CreateDIBPalette(dib::Make(1, 1, 24, {}, {{1, 2, 3}}), &count).isEmpty());
    QCOMPARE(count, 0);
    QVERIFY(CreateDIBPalette(Bytes(10, 0), &count).isEmpty());
    QCOMPARE(count, 0);
}

void PictureTest::LoadPictureFindsBitmapResources()
{
    const Bytes red = dib::Make(1, 1, 24, {}, {{0, 0, 0xFF}});
    auto module = ContentModule::FromResources({{ResName(kRtBitmap), ResName(7), red},
                                                {ResName(kRtBitmap), ResName("NAMED"), red},
                                                {ResName(kRtRcdata), ResName(8), red}});
    QList<QRgb> palette{W};
    QCOMPARE(LoadPicture(module.get(), ResName(7), &palette).pixel(0, 0), R);
    QVERIFY(palette.isEmpty());
    QVERIFY(!LoadPicture(module.get(), ResName("named")).isNull());
    palette = {W};
    QVERIFY(LoadPicture(module.get(), ResName(8), &palette).isNull()); // not a bitmap
    QCOMPARE(palette, QList<QRgb>{W});                               // left as it was
    QVERIFY(LoadPicture(nullptr, ResName(7)).isNull());
}

void PictureTest::KeyColourBySelector_data()
{
    QTest::addColumn<int>("selector");
    QTest::addColumn<bool>("hasKey");
    QTest::addColumn<QRgb>("key");
    QTest::newRow("-2 top-left") << -2 << true << R;
    QTest::newRow("-3 top-right") << -3 << true << G;
    QTest::newRow("-4 bottom-right") << -4 << true << B;
    QTest::newRow("-5 bottom-left") << -5 << true << Y;
    QTest::newRow("-1 none") << -1 << false << QRgb(0);
    QTest::newRow("-6 none") << -6 << false << QRgb(0);
    QTest::newRow("0 none") << 0 << false << QRgb(0);
}

void PictureTest::KeyColourBySelector()
{
    QFETCH(int, selector);
    QFETCH(bool, hasKey);
    QFETCH(QRgb, key);
    // 3 x 2 bottom-up, 8 bpp: top row R W G, bottom row Y W B.
    const QImage picture = DecodePicture(
        dib::Make(3, 2, 8, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFFFFFF}, {{3, 4, 2}, {0, 4, 1}}, 5));
    const std::optional<QRgb> found = GetKeyColor(picture, int16_t(selector));
    QCOMPARE(found.has_value(), hasKey);
    if (hasKey)
        QCOMPARE(*found, key);
}

void PictureTest::MaskMarksKeyPixels()
{
    // 3 x 1: R G R; key top-left = R.
    const QImage picture = DecodePicture(dib::Make(3, 1, 24, {}, {{0, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0xFF}}));
    const QImage mask = CreateMaskBitmap(picture, -2);
    QCOMPARE(mask.format(), QImage::Format_Mono);
    QCOMPARE(mask.pixelIndex(0, 0), 0);
    QCOMPARE(mask.pixelIndex(1, 0), 1);
    QCOMPARE(mask.pixelIndex(2, 0), 0);
    const QImage none = CreateMaskBitmap(picture, -1);
    for (int x = 0; x < 3; ++x)
        QCOMPARE(none.pixelIndex(x, 0), 1);
}

QTEST_GUILESS_MAIN(PictureTest)
#include "PictureTest.moc"
