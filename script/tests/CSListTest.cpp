#include "CSList.h"

#include <QTest>

namespace {
struct Item {
    int value;
};
using List = CSList<Item>;

std::vector<int> Walk(List& list)
{
    std::vector<int> out;
    for (Item* it = list.GetFirst(); it; it = list.GetNext())
        out.push_back(it->value);
    return out;
}
} // namespace

class TestCSList : public QObject {
    Q_OBJECT
private slots:
    void AddHeadTailAndNullItems()
    {
        Item a{1}, b{2}, c{3};
        List list;
        QVERIFY(list.IsEmpty());
        list.AddTail(&b);
        list.AddHead(&a);
        list.AddTail(nullptr);
        list.AddHead(nullptr);
        list.AddTail(&c);
        QCOMPARE(list.GetCount(), 3);
        QCOMPARE(Walk(list), (std::vector<int>{1, 2, 3}));
        // The cursor fell off the tail: it stays null.
        QCOMPARE(list.GetCurrent(), nullptr);
        QCOMPARE(list.GetNext(), nullptr);
        QCOMPARE(list.GetCurrent(), nullptr);
    }

    void FindAbsentLeavesCursorNull()
    {
        Item a{1}, b{2}, absent{9};
        List list;
        list.AddTail(&a);
        list.AddTail(&b);
        QCOMPARE(list.Find(&b), &b);
        QCOMPARE(list.GetCurrent(), &b);
        QCOMPARE(list.Find(&absent), nullptr);
        QCOMPARE(list.GetCurrent(), nullptr);
        QCOMPARE(list.GetNext(), nullptr);
    }
};

QTEST_GUILESS_MAIN(TestCSList)
#include "CSListTest.moc"
