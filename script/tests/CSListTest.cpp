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
        QCOMPARE(list.GetLast(), &c);
        QCOMPARE(list.GetPrev(), &b);
        QCOMPARE(list.GetPrev(), &a);
        QCOMPARE(list.GetPrev(), nullptr);
        // The cursor fell off the head: it stays null.
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
        QCOMPARE(list.GetPrev(), nullptr);
    }

    void RemoveItemNotInListChangesNothing()
    {
        Item a{1}, b{2}, absent{9};
        List list;
        list.AddTail(&a);
        list.AddTail(&b);
        list.GetLast();
        list.Remove(&absent);
        QCOMPARE(list.GetCount(), 2);
        QCOMPARE(list.GetCurrent(), &b);
        QCOMPARE(Walk(list), (std::vector<int>{1, 2}));
    }

    void RemoveFirstOfDuplicates()
    {
        Item a{1}, b{2};
        List list;
        list.AddTail(&a);
        list.AddTail(&b);
        list.AddTail(&a);
        list.Remove(&a);
        QCOMPARE(Walk(list), (std::vector<int>{2, 1}));
        QCOMPARE(list.GetCount(), 2);
    }

    void RemoveCurrentMovesCursor()
    {
        Item a{1}, b{2}, c{3};
        List list;
        list.AddTail(&a);
        list.AddTail(&b);
        list.AddTail(&c);
        list.GetFirst();
        list.GetNext();
        QCOMPARE(list.RemoveCurrent(), &c);
        QCOMPARE(list.GetCurrent(), &c);
        QCOMPARE(list.RemoveCurrentPrev(), &a);
        QCOMPARE(list.GetCurrent(), &a);
        QCOMPARE(list.RemoveCurrent(), nullptr);
        QVERIFY(list.IsEmpty());
        QCOMPARE(list.GetFirst(), nullptr);
        QCOMPARE(list.RemoveCurrent(), nullptr);
        // The list is usable again after emptying.
        list.AddHead(&b);
        QCOMPARE(Walk(list), (std::vector<int>{2}));
    }

    void RemovingTheCursorNodeNeverDangles()
    {
        Item a{1}, b{2};
        List list;
        list.AddTail(&a);
        list.AddTail(&b);
        list.GetLast();
        list.Remove(&b);
        QCOMPARE(list.GetCurrent(), nullptr);
        QCOMPARE(list.GetNext(), nullptr);
        QCOMPARE(list.GetLast(), &a);
    }
};

QTEST_GUILESS_MAIN(TestCSList)
#include "CSListTest.moc"
