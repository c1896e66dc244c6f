#include "SettingsFileCheck.h"

#include <QTest>

class SettingsFileCheckTest : public QObject {
    Q_OBJECT

private slots:
    void FindsWhatARewriteWouldDrop_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("damage"); // start of the report, empty for a sound file

        // Sound files: what QSettings writes, and what people write by hand.
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("blank lines only") << QByteArray("\n\r\n  \t\n") << QString();
        QTest::newRow("as written") << QByteArray("[Ovantis]\nLastStretchTopic=300\n\n[Preferences]\n"
                                                  "Activation%20Keys%26Mice=0\nSequence=\\x1\\x2\n")
                                    << QString();
        QTest::newRow("byte order mark") << QByteArray("\xef\xbb\xbf[Ovantis]\nA=1\n") << QString();
        QTest::newRow("comments") << QByteArray("; top\n[Ovantis] \n  ; indented\nA=1 ; after\n") << QString();
        QTest::newRow("CRLF") << QByteArray("[Ovantis]\r\nA=1\r\nB=2\r\n") << QString();
        QTest::newRow("quoted separators") << QByteArray("[P]\nA=\"x;y=z,\\\"q\\\"\"\n") << QString();
        QTest::newRow("escaped line end continues") << QByteArray("[P]\nA=one\\\ntwo\nB=2\n") << QString();
        QTest::newRow("same key in two sections") << QByteArray("[P]\nA=1\n[Q]\nA=2\n") << QString();
        QTest::newRow("section given twice") << QByteArray("[P]\nA=1\n[Q]\nB=1\n[P]\nB=2\n") << QString();
        QTest::newRow("no section") << QByteArray("A=1\n[General]\nB=2\n") << QString();
        QTest::newRow("no final line end") << QByteArray("[P]\nA=1") << QString();
        QTest::newRow("escape at the very end") << QByteArray("[P]\nA=1\\") << QString();
        QTest::newRow("keys differ in case") << QByteArray("[P]\nA=1\na=2\n") << QString();

        // Damaged files.
        QTest::newRow("not UTF-8") << QByteArray("[P]\nA=caf\xe9\n") << QString("the file is not UTF-8");
        QTest::newRow("cut inside a character") << QByteArray("[P]\nA=\xe2\x82") << QString("the file is not UTF-8");
        QTest::newRow("section without ']'") << QByteArray("[P]\nA=1\n[Q\nB=2\n") << QString("line 3: a section header");
        QTest::newRow("line without '='") << QByteArray("[P]\nA=1\r\n\r\nhello\n") << QString("line 4: not a");
        QTest::newRow("quote open at line end") << QByteArray("[P]\nA=\"x\nB=2\n\"\n") << QString("line 2: a quote");
        QTest::newRow("quote open at end of file") << QByteArray("[P]\nA=1\nB=\"x") << QString("line 3: a quote");
        QTest::newRow("key twice") << QByteArray("[P]\nA=1\nB=1\nA=2\n") << QString("line 4: \"P/A\" is given twice");
        QTest::newRow("key twice, spelled differently")
            << QByteArray("[P]\nA%20B=1\nA B = 2\n") << QString("line 3: \"P/A B\" is given twice");
        QTest::newRow("key twice across repeated section")
            << QByteArray("[P]\nA=1\n[Q]\n[P]\nA=2\n") << QString("line 5:");
        QTest::newRow("line count after continuation")
            << QByteArray("[P]\nA=one\\\ntwo\nxyz\n") << QString("line 4: not a");
        // Values QSettings would decode through QDataStream, however spelt.
        const QString streamed = QStringLiteral("line %1: a value is stored as serialised");
        QTest::newRow("@Variant") << QByteArray("[P]\nA=1\nB=@Variant(\\0)\n") << streamed.arg(3);
        QTest::newRow("@DateTime in a list")
            << QByteArray("[P]\nA=x, @DateTime(\\0\\0)\n") << streamed.arg(2);
        QTest::newRow("@ as a hex escape") << QByteArray("[P]\nA=\\x40Variant(\\0)\n") << streamed.arg(2);
        QTest::newRow("hex escape kept to 16 bits")
            << QByteArray("[P]\nA=\\x10040variant(\\0)\n") << streamed.arg(2);
        QTest::newRow("@ as an octal escape") << QByteArray("[P]\nA=\\100DateTime(\\0)\n") << streamed.arg(2);
        QTest::newRow("split by quotes") << QByteArray("[P]\nA=\"@Vari\"\"ant(\"\n") << streamed.arg(2);
        QTest::newRow("split by an escaped line end")
            << QByteArray("[P]\nA=1\nB=@Vari\\\r\nant(\\0)\nC=2\n") << streamed.arg(3);
        QTest::newRow("after a damaged line") << QByteArray("[P]\nA=@Variant(\\0)\nB=\"x\n") << QString("line 3: a quote");
        QTest::newRow("an address is not one") << QByteArray("[P]\nA=me@Variant.example\n") << QString();
    }
    void FindsWhatARewriteWouldDrop()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, damage);
        const QString found = FindSettingsFileDamage(file);
        if (damage.isEmpty())
            QCOMPARE(found, QString());
        else
            QVERIFY2(found.startsWith(damage), qPrintable(found));
    }

    void StreamedValuesAreReplacedWhereTheyStand()
    {
        const QByteArray file = "[P]\r\nA=1\r\nB=x, \\x40Variant(\\0\\0\\0\\x7f)\r\nC=@Vari\\\nant(\\0)\n"
                                "@Variant(\\0)\nD=@ByteArray(ok)";
        QCOMPARE(WithoutStreamedValues(file),
                 QByteArray("[P]\r\nA=1\r\nB=@Invalid()\r\nC=@Invalid()\n@Invalid()\nD=@ByteArray(ok)"));
        int line = 0;
        QVERIFY(HoldsStreamedValue(file, &line));
        QCOMPARE(line, 3);
        QVERIFY(!HoldsStreamedValue(WithoutStreamedValues(file)));
        QCOMPARE(WithoutStreamedValues("[P]\nA=1\n"), QByteArray("[P]\nA=1\n"));
    }

    void NeverReadsPastTheEnd()
    {
        // Every prefix of a file with every construct must be judged without
        // touching bytes beyond it (the sanitizer build checks this).
        const QByteArray file = "\xef\xbb\xbf; c\n[P]\nA=\"q;=,\"\\x41\\\r\nB=1 ; c\n[Q\\\"]\nC=\xc3\xa9\n";
        for (qsizetype n = 0; n <= file.size(); ++n) {
            const QByteArray prefix = file.first(n);
            const QByteArray exact(prefix.constData(), prefix.size());
            FindSettingsFileDamage(exact);
        }
        QCOMPARE(FindSettingsFileDamage(file), QString());
    }
};

QTEST_GUILESS_MAIN(SettingsFileCheckTest)
#include "SettingsFileCheckTest.moc"
