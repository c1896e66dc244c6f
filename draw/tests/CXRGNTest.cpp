#include "CXRGN.h"

#include <QTest>

class CXRGNTest : public QObject {
    Q_OBJECT
private slots:
    void StartsEmptyOverTheInitialArea();
    void FirstAdditionReplacesStaleContent();
    void LaterAdditionsUnite();
    void EmptyAndNullInputsAreIgnored();
    void SetEmptyKeepsContentButAnswersOutside();
};

void CXRGNTest::StartsEmptyOverTheInitialArea()
{
    CXRGN region;
    QVERIFY(region.IsEmpty());
    QVERIFY(!region.GetRgn());
    QVERIFY(region.Create());
    QVERIFY(region.IsEmpty());
    QCOMPARE(*region.GetRgn(), QRegion(0, 0, 620, 480));
    const RECT inside{10, 10, 20, 20};
    const POINT point{5, 5};
    QVERIFY(!region.RectIn(&inside));
    QVERIFY(!region.PtIn(&point));
}

void CXRGNTest::FirstAdditionReplacesStaleContent()
{
    CXRGN region;
    QVERIFY(region.Create());
    const RECT rect{700, 10, 710, 20};
    region.AddRect(&rect);
    QVERIFY(!region.IsEmpty());
    QCOMPARE(*region.GetRgn(), QRegion(700, 10, 10, 10));
    const RECT old{10, 10, 20, 20};
    QVERIFY(!region.RectIn(&old));

    CXRGN copy;
    QVERIFY(copy.Create());
    const QRegion given(QRect(1, 2, 3, 4));
    copy.AddRgn(&given);
    QCOMPARE(*copy.GetRgn(), given);
}

void CXRGNTest::LaterAdditionsUnite()
{
    CXRGN region;
    QVERIFY(region.Create());
    const RECT a{0, 0, 10, 10}, b{20, 20, 30, 30};
    region.AddRect(&a);
    region.AddRect(&b);
    const QRegion other(QRect(100, 0, 5, 5));
    region.AddRgn(&other);
    const POINT inA{9, 9}, between{15, 15}, inB{20, 29}, inOther{104, 4}, edge{10, 5};
    QVERIFY(region.PtIn(&inA));
    QVERIFY(!region.PtIn(&between));
    QVERIFY(region.PtIn(&inB));
    QVERIFY(region.PtIn(&inOther));
    QVERIFY(!region.PtIn(&edge)); // right edge is outside
    const RECT touching{10, 0, 20, 20};
    QVERIFY(!region.RectIn(&touching));
    const RECT overlapping{9, 0, 20, 20};
    QVERIFY(region.RectIn(&overlapping));
}

void CXRGNTest::EmptyAndNullInputsAreIgnored()
{
    CXRGN region;
    QVERIFY(region.Create());
    const RECT flat{5, 5, 5, 10}, inverted{10, 10, 5, 5};
    region.AddRect(nullptr);
    region.AddRect(&flat);
    region.AddRect(&inverted);
    region.AddRgn(nullptr);
    QVERIFY(region.IsEmpty());
    // A valid but empty region counts as an addition.
    const QRegion none;
    region.AddRgn(&none);
    QVERIFY(!region.IsEmpty());
    const RECT any{0, 0, 620, 480};
    QVERIFY(!region.RectIn(&any));
}

void CXRGNTest::SetEmptyKeepsContentButAnswersOutside()
{
    CXRGN region;
    QVERIFY(region.Create());
    const RECT a{0, 0, 10, 10};
    region.AddRect(&a);
    region.SetEmpty();
    QVERIFY(region.IsEmpty());
    QCOMPARE(*region.GetRgn(), QRegion(0, 0, 10, 10));
    const POINT p{1, 1};
    QVERIFY(!region.PtIn(&p));
    const RECT b{50, 50, 60, 60};
    region.AddRect(&b);
    QVERIFY(!region.PtIn(&p)); // stale content overwritten
}

QTEST_GUILESS_MAIN(CXRGNTest)
#include "CXRGNTest.moc"
