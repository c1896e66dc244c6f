#include "CContentCatalog.h"
#include "CContentResource.h"
#include "CDragDropListBox.h"
#include "CSequenceDlg.h"
#include "CSettingsStore.h"
#include "CStchPrefsDlg.h"
#include "ContentModule.h"
#include "TestHome.h"
#include "formats/FieldCodec.h"
#include "formats/SequenceFormat.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>

// Routines are named by letter in the cases: A is topic 200, B 201, ...
// Stored sequences and the right list are compared in that form.
namespace {

int Topic(QChar letter) { return CStretchRoutines::kFirstId + (letter.toLatin1() - 'A'); }
QChar Letter(int topic) { return QChar('A' + (topic - CStretchRoutines::kFirstId)); }

// The stored form, built from the routines' codes as the library holds them.
QByteArray Stored(const QString& letters)
{
    CContentCatalog catalog;
    catalog.ScanStretches();
    QByteArray bytes;
    for (QChar letter : letters) {
        // '?' stands for an entry that names no routine.
        const auto code = letter == '?' ? Formats::Code4Bytes{'Z', 'Z', 'Z', 'Z'}
                                        : Formats::CodeBytes(catalog.Stretches().CodeOfTopic(Topic(letter)));
        for (uint8_t byte : Formats::Sequence::EntryFromCode(code))
            bytes.append(char(byte));
    }
    return bytes;
}

QString Letters(const QByteArray& stored)
{
    CContentCatalog catalog;
    catalog.ScanStretches();
    QString letters;
    const auto view = Formats::Sequence::DecodeSequence(
        std::span(reinterpret_cast<const uint8_t*>(stored.constData()), size_t(stored.size())));
    for (const auto& entry : view.entries) {
        const int topic = catalog.Stretches().TopicOfCode(Formats::CodeValue(Formats::Sequence::CodeFromEntry(entry)));
        letters += topic ? Letter(topic) : QChar('?');
    }
    return letters;
}

QString Letters(const CDragDropListBox* list)
{
    QString letters;
    for (int row = 0; row < list->count(); ++row)
        letters += Letter(list->EntryData(row));
    return letters;
}

int RowOf(const CDragDropListBox* list, int topic)
{
    for (int row = 0; row < list->count(); ++row)
        if (list->EntryData(row) == topic)
            return row;
    return -1;
}

// Answers the next message boxes, one after the other, keeping their texts.
void AnswerMessageBoxes(QList<QMessageBox::StandardButton> buttons, QStringList* texts, QMessageBox* last = nullptr)
{
    QTimer::singleShot(0, [buttons, texts, last] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box == last || !box->button(buttons.first()))
            return AnswerMessageBoxes(buttons, texts, last);
        *texts << box->text();
        box->button(buttons.first())->click();
        if (buttons.size() > 1)
            AnswerMessageBoxes(buttons.mid(1), texts, box);
    });
}

// The drag images shown now.
int DragImages(QWidget* page)
{
    int shown = 0;
    for (QLabel* label : page->findChildren<QLabel*>())
        shown += label->testAttribute(Qt::WA_TransparentForMouseEvents) && label->isVisible();
    return shown;
}

// The point of a list where a drop goes: above entry `row`, or below the
// last entry for -1.
QPoint DropPoint(CDragDropListBox* list, int row)
{
    if (row >= 0)
        return list->visualItemRect(list->item(row)).center() + QPoint(0, 1);
    const QRect last = list->count() ? list->visualItemRect(list->item(list->count() - 1)) : QRect();
    return QPoint(list->viewport()->width() / 2, last.bottom() + list->EntryHeight() / 2 + 1);
}

struct DragSeen {
    int line = -1; // the insertion index `onto` showed on the way
    int images = 0;
};

// Drags entry `row` of `from` and releases it at `at` in `onto`'s
// coordinates.
DragSeen Drag(CDragDropListBox* from, int row, QWidget* onto, QPoint at)
{
    // Through the window, so that the pressed box keeps the pointer.
    QWidget* top = from->window();
    QWindow* window = top->windowHandle();
    from->scrollToItem(from->item(row));
    const QPoint start = from->viewport()->mapTo(top, from->visualItemRect(from->item(row)).center());
    const QPoint end = onto->mapTo(top, at);
    QTest::mousePress(window, Qt::LeftButton, {}, start);
    QTest::mouseMove(window, (start + end) / 2);
    QTest::mouseMove(window, end);
    DragSeen seen;
    if (auto* box = qobject_cast<CDragDropListBox*>(onto->parentWidget()))
        seen.line = box->InsertionIndex();
    seen.images = DragImages(from->parentWidget());
    QTest::mouseRelease(window, Qt::LeftButton, {}, end);
    return seen;
}

} // namespace

class SequencePageTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("OVANTIS_RESOURCE_PATH", QFile::encodeName(BinaryPath("bin"))); }
    void init()
    {
        m_home = std::make_unique<TestHome>();
        m_catalog = std::make_unique<CContentCatalog>(); // the program's own hold on the library
        QVERIFY(m_catalog->IsLoaded());
        QVERIFY(m_catalog->ScanStretches() >= 4);
    }
    void cleanup()
    {
        m_sheet.reset();
        m_catalog.reset();
        m_home.reset();
    }

    void Buttons_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("actions"); // +X add routine X, - remove, 0 clear, ^ up, v down
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("storedIndex");
        QTest::addColumn<QString>("enabled"); // Remove, Clear All, Up, Down

        QTest::newRow("add appends") << "AB" << 0 << "+C" << "ABC" << 2 << "RCU-";
        QTest::newRow("add repeats a routine") << "A" << 0 << "+A" << "AA" << 1 << "RCU-";
        QTest::newRow("remove middle selects next") << "ABC" << 1 << "-" << "AC" << 1 << "RCU-";
        QTest::newRow("remove last selects new last") << "ABC" << 2 << "-" << "AB" << 1 << "RCU-";
        QTest::newRow("remove only entry") << "A" << 0 << "-" << "" << -1 << "----";
        QTest::newRow("remove on empty does nothing") << "A" << 0 << "--+B" << "B" << 0 << "RC--";
        QTest::newRow("clear all") << "ABC" << 1 << "0" << "" << -1 << "----";
        QTest::newRow("up") << "ABC" << 2 << "^" << "ACB" << 1 << "RCUD";
        QTest::newRow("up to the top") << "ABC" << 2 << "^^^" << "CAB" << 0 << "RC-D";
        QTest::newRow("down to the bottom") << "ABC" << 0 << "vvv" << "BCA" << 2 << "RCU-";
        QTest::newRow("index past the end starts at 0") << "AB" << 5 << "v" << "BA" << 1 << "RCU-";
        QTest::newRow("index -1 starts at 0") << "AB" << -1 << "v" << "BA" << 1 << "RCU-";
        QTest::newRow("unknown entry ends the sequence") << "A?B" << 0 << "+B" << "AB" << 1 << "RCU-";
        QTest::newRow("clear then add") << "ABC" << 0 << "0+D+A^" << "AD" << 0 << "RC-D";
    }
    void Buttons()
    {
        QFETCH(QString, stored);
        QFETCH(int, index);
        QFETCH(QString, actions);
        QFETCH(QString, shown);
        QFETCH(int, storedIndex);
        QFETCH(QString, enabled);
        CSequenceDlg* page = Open(Stored(stored), index);
        for (int i = 0; i < actions.size(); ++i) {
            const QChar action = actions[i];
            if (action == '+') {
                page->Routines()->SelectRow(RowOf(page->Routines(), Topic(actions[++i])));
                Button(page, "Add")->click();
            } else {
                Button(page, action == '-' ? "Remove" : action == '0' ? "Clear All" : action == '^' ? "Up" : "Down")->click();
            }
        }
        QCOMPARE(Letters(page->Sequence()), shown);
        QString state;
        for (const char* name : {"Remove", "Clear All", "Up", "Down"})
            state += Button(page, name)->isEnabled() ? QChar(name[0]) : QChar('-');
        QCOMPARE(state, enabled);
        if (!shown.isEmpty()) {
            QCOMPARE(page->Sequence()->SelectedRow(), storedIndex);
            m_sheet->ApplyButton()->click();
            QCOMPARE(Letters(m_store->ReadString(Settings::kSequence, SettingReader::Page)), shown);
            QCOMPARE(m_store->ReadInt(Settings::kSequenceIndex, SettingReader::Page), storedIndex);
        }
    }

    void Drags_data()
    {
        QTest::addColumn<QString>("from");   // L or R
        QTest::addColumn<QChar>("routine");  // the entry dragged
        QTest::addColumn<QString>("onto");   // L, R, or "page" (no list)
        QTest::addColumn<int>("row");        // drop above this entry of R, -1 past its end
        QTest::addColumn<QString>("shown");  // from "ABC", A selected
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("line");       // insertion index R showed, -1 none

        QTest::newRow("left to right copies") << "L" << QChar('D') << "R" << 1 << "ADBC" << 1 << 1;
        QTest::newRow("left to right past the end") << "L" << QChar('A') << "R" << -1 << "ABCA" << 3 << 3;
        QTest::newRow("within right lands at the line") << "R" << QChar('A') << "R" << 2 << "BAC" << 1 << 2;
        QTest::newRow("within right past the end") << "R" << QChar('A') << "R" << -1 << "BCA" << 2 << 3;
        QTest::newRow("within right up") << "R" << QChar('C') << "R" << 0 << "CAB" << 0 << 0;
        QTest::newRow("within right onto itself") << "R" << QChar('B') << "R" << 1 << "ABC" << 1 << 1;
        QTest::newRow("right to left removes") << "R" << QChar('A') << "L" << 0 << "BC" << 0 << -1;
        QTest::newRow("right to the page removes") << "R" << QChar('C') << "page" << 0 << "AB" << 1 << -1;
        QTest::newRow("left to left changes nothing") << "L" << QChar('D') << "L" << 0 << "ABC" << 0 << -1;
        QTest::newRow("left to the page changes nothing") << "L" << QChar('D') << "page" << 0 << "ABC" << 0 << -1;
    }
    void Drags()
    {
        QFETCH(QString, from);
        QFETCH(QChar, routine);
        QFETCH(QString, onto);
        QFETCH(int, row);
        QFETCH(QString, shown);
        QFETCH(int, selected);
        QFETCH(int, line);
        CSequenceDlg* page = Open(Stored("ABC"), 0);
        CDragDropListBox* left = page->Routines();
        CDragDropListBox* right = page->Sequence();
        const int choices = left->count();
        CDragDropListBox* source = from == "L" ? left : right;
        QWidget* target = onto == "R" ? right->viewport() : onto == "L" ? left->viewport() : page->findChild<QLabel*>();
        const QPoint at = onto == "R" ? DropPoint(right, row) : QPoint(5, 5);
        const DragSeen seen = Drag(source, RowOf(source, Topic(routine)), target, at);
        QCOMPARE(seen.line, line);
        QCOMPARE(seen.images, 1);
        QCOMPARE(Letters(right), shown);
        QCOMPARE(right->SelectedRow(), selected);
        QCOMPARE(left->count(), choices);
        // The drag is over, and the page saw the change.
        QVERIFY(!left->IsDragging() && !right->IsDragging());
        QCOMPARE(right->InsertionIndex(), -1);
        QCOMPARE(DragImages(page), 0);
        QCOMPARE(m_sheet->ApplyButton()->isEnabled(), shown != "ABC" || selected != 0);
    }

    // ">> Add >>" stops at 64 entries; a drop still goes in.
    void AddLimit()
    {
        CSequenceDlg* page = Open({}, 0);
        page->Routines()->SelectRow(0);
        for (int i = 0; i < CSequenceDlg::kMaxAddedEntries + 1; ++i)
            Button(page, "Add")->click();
        QCOMPARE(page->Sequence()->count(), 64);
        page->Sequence()->scrollToTop();
        Drag(page->Routines(), 0, page->Sequence()->viewport(), DropPoint(page->Sequence(), 0));
        QCOMPARE(page->Sequence()->count(), 65);
        QCOMPARE(page->Sequence()->SelectedRow(), 0);
        m_sheet->accept();
        QCOMPARE(m_store->ReadString(Settings::kSequence, SettingReader::Page).size(), 65 * 4);
        QCOMPARE(m_store->ReadInt(Settings::kSequenceIndex, SettingReader::Page), 0);
    }

    // Load, the modified state through changes and back, the keyboard,
    // apply with the group complete at the broadcast, then OK finding
    // nothing changed.
    void LoadModifyApply()
    {
        CSequenceDlg* page = Open(Stored("AB"), 1, [this](unsigned code, int lParam) {
            m_posts << QStringLiteral("%1 %2").arg(code).arg(lParam);
            if (code == 14)
                m_atBroadcast = Letters(m_store->ReadString(Settings::kSequence, SettingReader::Page))
                    + QString::number(m_store->ReadInt(Settings::kSequenceIndex, SettingReader::Page));
        });
        CDragDropListBox* right = page->Sequence();
        QCOMPARE(right->SelectedRow(), 1);
        QVERIFY(!m_sheet->ApplyButton()->isEnabled());
        // Every control is reached by Tab and named; the lists say their keys.
        for (QWidget* control : page->findChildren<QWidget*>())
            if (control->focusPolicy() & Qt::TabFocus)
                QVERIFY2(!QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name).isEmpty(),
                         control->metaObject()->className());
        QVERIFY(QAccessible::queryAccessibleInterface(right)->text(QAccessible::Description).contains("Ctrl+Up"));
        QVERIFY(QAccessible::queryAccessibleInterface(page->Routines())->text(QAccessible::Description).contains("Insert"));
        right->setFocus();
        QTest::keyClick(right, Qt::Key_Up);
        QVERIFY(m_sheet->ApplyButton()->isEnabled()); // the index alone
        QTest::keyClick(right, Qt::Key_Down);
        QVERIFY(!m_sheet->ApplyButton()->isEnabled());
        QTest::keyClick(right, Qt::Key_Up, Qt::ControlModifier); // BA, 0
        QTest::keyClick(right, Qt::Key_Delete);                  // A, 0
        page->Routines()->SelectRow(RowOf(page->Routines(), Topic('C')));
        QTest::keyClick(page->Routines(), Qt::Key_Insert); // AC
        QTest::keyClick(page->Routines(), Qt::Key_Return); // ACC, 2: Enter adds, it does not press OK
        QVERIFY(m_sheet->isVisible());
        QTest::keyClick(right, Qt::Key_Up, Qt::ControlModifier); // ACC, 1
        QCOMPARE(Letters(right), QStringLiteral("ACC"));
        m_sheet->ApplyButton()->click();
        QCOMPARE(m_posts, (QStringList{"12 0", "14 2"}));
        QCOMPARE(m_atBroadcast, QStringLiteral("ACC1"));
        QVERIFY(!m_sheet->ApplyButton()->isEnabled());
        m_sheet->accept();
        QCOMPARE(m_posts, (QStringList{"12 0", "14 2", "13 0"}));
    }

    // An empty sequence: leaving asks 57649 (Yes stays); OK asks too and,
    // after No, refuses with 32785; nothing is written.
    void EmptySequenceRefused()
    {
        CSequenceDlg* page = Open(Stored("A"), 0);
        Button(page, "Clear All")->click();
        QStringList texts;
        AnswerMessageBoxes({QMessageBox::Yes}, &texts);
        m_sheet->Tabs()->setCurrentIndex(0);
        QCOMPARE(m_sheet->Tabs()->currentWidget(), page);
        AnswerMessageBoxes({QMessageBox::No, QMessageBox::Ok}, &texts);
        m_sheet->accept();
        QVERIFY(m_sheet->isVisible());
        const QString question = "You have not specified a sequence of stretch routines to activate.\n\n"
                                 "Do you wish to return to \"Sequence of Routines\"?";
        QCOMPARE(texts, (QStringList{question, question,
                                     "You have not selected any stretches for the automatic sequence.\nPlease add at "
                                     "least one stretch routine to the right hand column before continuing."}));
        QCOMPARE(m_store->ReadString(Settings::kSequence, SettingReader::Page), Stored("A"));
    }

    // "Default" shows Stsq 200; a library without it empties the list.
    void Default()
    {
        CContentResource resource;
        QVERIFY(resource.Load(Formats::Sequence::kDefaultSequenceId, Formats::Sequence::kResourceType));
        const QByteArray stsq(reinterpret_cast<const char*>(resource.Lock()), qsizetype(resource.size));
        QVERIFY(!Letters(stsq).contains('?'));
        CSequenceDlg* page = Open(Stored("D"), 0);
        Button(page, "Default")->click();
        QCOMPARE(Letters(page->Sequence()), Letters(stsq));
        QCOMPARE(page->Sequence()->SelectedRow(), 0);
        QCOMPARE(m_sheet->ApplyButton()->isEnabled(), stsq != Stored("D"));
        m_sheet.reset();

        std::vector<ContentModule::RawResource> kept;
        for (const auto& entry : ContentLibrary::Get()->Resources().Entries())
            if (!entry.type.Matches(ResName(Formats::Sequence::kResourceType)))
                kept.push_back({entry.type, entry.name, {entry.data.begin(), entry.data.end()}});
        m_catalog.reset();
        ScopedContentLibrary library(ContentModule::FromResources(std::move(kept)));
        page = Open(Stored("AB"), 1);
        QCOMPARE(page->Sequence()->count(), 2);
        Button(page, "Default")->click();
        QCOMPARE(page->Sequence()->count(), 0);
        QVERIFY(!Button(page, "Remove")->isEnabled());
        m_sheet.reset();
    }

private:
    CSequenceDlg* Open(const QByteArray& sequence, int index, std::function<void(unsigned, int)> post = {})
    {
        m_store = std::make_unique<CSettingsStore>();
        if (!sequence.isNull())
            m_store->WriteString(Settings::kSequence, sequence);
        m_store->WriteInt(Settings::kSequenceIndex, index);
        PrefsServices services;
        services.postToCtrl = post ? post : [](unsigned, int) {};
        services.enableHotKey = [](int) {};
        services.setHotKey = [](int, int, int, int) {};
        m_sheet = std::make_unique<CStchPrefsDlg>(*m_store, services);
        m_sheet->show();
        if (!QTest::qWaitForWindowExposed(m_sheet.get()))
            return nullptr;
        auto* page = m_sheet->findChild<CSequenceDlg*>();
        m_sheet->Tabs()->setCurrentWidget(page);
        return page;
    }
    static QPushButton* Button(QWidget* page, const char* text)
    {
        for (QPushButton* button : page->findChildren<QPushButton*>())
            if (button->text().remove('&').contains(QLatin1String(text)))
                return button;
        return nullptr;
    }

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<CContentCatalog> m_catalog;
    std::unique_ptr<CSettingsStore> m_store;
    std::unique_ptr<CStchPrefsDlg> m_sheet;
    QStringList m_posts;
    QString m_atBroadcast;
};

QTEST_MAIN(SequencePageTest)
#include "SequencePageTest.moc"
