#include "CMaskedBitmap.h"

#include <QPainter>
#include <QTest>

namespace {

constexpr QRgb kWhite = 0xffffffff, kRed = 0xffff0000, kBlue = 0xff0000ff, kGrey = 0xff808080;

// 4 x 3, white background (top-left), a red figure with a white hole:
//   W W W W
//   W R W R
//   W R R R
QImage Figure()
{
    const QRgb rows[3][4] = {{kWhite, kWhite, kWhite, kWhite},
                             {kWhite, kRed, kWhite, kRed},
                             {kWhite, kRed, kRed, kRed}};
    QImage image(4, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            image.setPixel(x, y, rows[y][x]);
    return image;
}

QImage Background()
{
    QImage image(6, 5, QImage::Format_RGB32);
    image.fill(kGrey);
    image.setPixel(3, 2, kBlue); // under the hole at figure (2, 1) drawn at (1, 1)
    return image;
}

} // namespace

class MaskedBitmapTest : public QObject {
    Q_OBJECT

private slots:
    void KeyColourShowsTheDestinationEverywhere()
    {
        CMaskedBitmap bitmap;
        QVERIFY(!bitmap.IsLoaded());
        QImage target = Background();
        {
            QPainter painter(&target);
            QVERIFY(!bitmap.Draw(painter, QPoint(1, 1))); // empty: nothing drawn
        }
        QCOMPARE(target, Background());

        QVERIFY(bitmap.Load(Figure()));
        QImage other(2, 2, QImage::Format_RGB32);
        other.fill(kBlue);
        QVERIFY(!bitmap.Load(other)); // refused, keeps the first
        QCOMPARE(bitmap.Size(), QSize(4, 3));

        // Drawing twice at the same point gives what drawing once gives.
        for (int pass = 0; pass < 2; ++pass) {
            QPainter painter(&target);
            QVERIFY(bitmap.Draw(painter, QPoint(1, 1)));
        }
        const char* expected[5] = {"GGGGGG",
                                   "GGGGGG",
                                   "GGRBRG",  // the white hole shows the blue pixel
                                   "GGRRRG",
                                   "GGGGGG"};
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) {
                const QRgb want = expected[y][x] == 'R' ? kRed : expected[y][x] == 'B' ? kBlue : kGrey;
                QVERIFY2(target.pixel(x, y) == want, qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            }
    }
};

QTEST_APPLESS_MAIN(MaskedBitmapTest)
#include "MaskedBitmapTest.moc"
