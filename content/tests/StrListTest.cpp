// String lists: the zero-byte rule, cut lists, the entry-by-index reader and
// the typed resource holder they read through.
#include "CContentResource.h"
#include "ContentModule.h"
#include "StrList.h"
#include "Windows1252.h"

#include <QTest>

namespace {
// The bytes of a literal, embedded zeros included.
template <size_t N>
QByteArray B(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

std::vector<uint8_t> Bytes(const QByteArray& b)
{
    return {b.begin(), b.end()};
}
} // namespace

class StrListTest : public QObject {
    Q_OBJECT

private slots:
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("headerCount");
        QTest::addColumn<bool>("complete");
        QTest::newRow("count 0") << B("\x00\x00") << QStringList{} << 0 << true;
        QTest::newRow("empty entry then the next at once")
            << B("\x02\x00\x00\x02hi") << QStringList{"", "hi"} << 2 << true;
        QTest::newRow("255-byte entry") << (B("\x01\x00\xff") + QByteArray(255, 'x'))
                                        << QStringList{QString(255, 'x')} << 1 << true;
        // "ab" ends at the zero byte; the next entry starts at that zero byte,
        // which is then the length of an empty entry.
        QTest::newRow("zero byte inside") << B("\x02\x00\x05" "ab\x00" "cd")
                                          << QStringList{"ab", ""} << 2 << true;
        QTest::newRow("count beyond the bytes") << B("\x03\x00\x01" "a") << QStringList{"a"} << 3 << false;
        QTest::newRow("last entry runs past the end") << B("\x03\x00\x02" "ab\x05" "xy")
                                                      << QStringList{"ab", "xy"} << 3 << false;
        QTest::newRow("no header") << B("\x05") << QStringList{} << 0 << false;
        QTest::newRow("bytes after the last counted entry")
            << B("\x01\x00\x01" "a\x01" "b") << QStringList{"a"} << 1 << true;
        QTest::newRow("Windows-1252 text") << B("\x01\x00\x03\x80\xe9z")
                                           << QStringList{QString::fromUtf8("€éz")} << 1 << true;
    }
    void decodes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);
        QFETCH(int, headerCount);
        QFETCH(bool, complete);
        // An exact-size copy, so a read past the end is a real overrun.
        std::vector<uint8_t> exact = Bytes(bytes);
        StrList list = StrList::FromBytes(exact);
        QCOMPARE(int(list.HeaderCount()), headerCount);
        QCOMPARE(list.IsComplete(), complete);
        QStringList got;
        for (const std::string& e : list.Entries())
            got << FromWindows1252(e);
        QCOMPARE(got, entries);
    }

    void entryByIndex()
    {
        ScopedContentLibrary library(ContentModule::FromResources({
            {"STR#", 202, Bytes(B("\x03\x00\x04Neck\x00\x04" "Back"))},
            {"STR#", 302, Bytes(B("\x02\x00\x03" "abc\x09" "de"))},
        }));
        QVERIFY(library.IsLoaded());
        struct Row { uint16_t list; int index; bool found; const char* text; };
        const Row rows[] = {
            {202, 0, true, "Neck"}, {202, 1, true, ""}, {202, 2, true, "Back"},
            {202, 3, true, ""},                      // fewer entries: empty
            {302, 1, true, "de"},                    // cut entry: what is there
            {302, 2, true, ""},
            {203, 0, false, "unchanged"},            // missing list: untouched
        };
        for (const Row& r : rows) {
            std::string text = "unchanged";
            QCOMPARE(GetStrListEntry(r.list, r.index, &text), r.found);
            QCOMPARE(QString::fromStdString(text), QString(r.text));
        }
    }

    void resourceHolder()
    {
        CContentResource none;
        QVERIFY(!none.Load(200, "STR#")); // nothing loaded: nothing found
        QCOMPARE(none.size, 0u);

        ScopedContentLibrary library(ContentModule::FromResources({
            {"STR#", 200, Bytes(B("\x01\x00\x02hi"))},
            {kRtRcdata, "soundlist", Bytes(B("a\0b\0"))},
        }));
        CContentResource r;
        QVERIFY(r.Load(200, "str#"));
        QCOMPARE(r.size, 5u);
        const uint8_t* p = r.Lock();
        QVERIFY(p);
        QCOMPARE(r.Lock(), p);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(p), 5), B("\x01\x00\x02hi"));
        r.Unlock();
        QVERIFY(!r.data);
        // A miss returns none and keeps the earlier size.
        QVERIFY(!r.Load(999, "STR#"));
        QCOMPARE(r.size, 5u);
        QVERIFY(!r.Lock());
        QVERIFY(r.LoadNamed("SOUNDLIST", kRtRcdata));
        QCOMPARE(r.size, 4u);
        // Reading twice gives the same bytes in the same place.
        CContentResource again;
        again.Load(200, "STR#");
        QCOMPARE(again.Lock(), p);
    }
};

QTEST_GUILESS_MAIN(StrListTest)
#include "StrListTest.moc"
