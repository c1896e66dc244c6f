#include "AppResources.h"

#include <QGuiApplication>
#include <QTest>

class AppResourcesTest : public QObject {
    Q_OBJECT

private slots:
    void LoadsByIdAndFindsNothingElse()
    {
        // A few texts as the user sees them, menu mnemonics included.
        QCOMPARE(AppResources::String(57652), QStringLiteral("Ovantis"));
        QCOMPARE(AppResources::String(59520), QStringLiteral("&Stretches"));
        QCOMPARE(AppResources::String(57612), QStringLiteral("More Stretches:"));
        QVERIFY(AppResources::String(1).isNull());

        for (int id : {128, 2}) {
            const QIcon icon = AppResources::Icon(id);
            QVERIFY2(!icon.isNull(), qPrintable(QString::number(id)));
            QVERIFY(!icon.availableSizes().isEmpty());
            // Drawn, not blank: the middle pixel is opaque.
            const QImage image = icon.pixmap(48).toImage();
            QCOMPARE(qAlpha(image.pixel(24, 24)), 255);
        }
        QVERIFY(AppResources::Icon(9999).isNull());
        QVERIFY(AppResources::Picture(9999).isNull());
    }
};

QTEST_MAIN(AppResourcesTest)
#include "AppResourcesTest.moc"
