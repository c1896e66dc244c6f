#include "CSequenceDlg.h"

#include "CContentCatalog.h"
#include "CContentResource.h"
#include "CDragDropListBox.h"
#include "CSettingsStore.h"
#include "MessageCodes.h"
#include "PrefsStrings.h"
#include "Windows1252.h"
#include "formats/FieldCodec.h"
#include "formats/SequenceFormat.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <span>

namespace {

using Formats::Sequence::Entry;

constexpr uint32_t kTopicMask = 0xFFFF;

QString AddKeys() { return QStringLiteral("Enter or Insert adds the selected routine to the end of your list."); }
QString SequenceKeys()
{
    return QStringLiteral("Ctrl+Up and Ctrl+Down move the selected routine; Delete removes it.");
}

QLabel* WrappedText(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

uint32_t CodeOfEntry(const Entry& entry)
{
    return Formats::CodeValue(Formats::Sequence::CodeFromEntry(entry));
}

Entry EntryOfCode(uint32_t code)
{
    return Formats::Sequence::EntryFromCode(Formats::CodeBytes(code));
}

} // namespace

CSequenceDlg::CSequenceDlg(CSettingsStore& store, std::function<void(unsigned, int)> post, QWidget* parent)
    : CPrefsPage(store, parent), m_post(std::move(post))
{
    setObjectName(QStringLiteral("Sequence of Routines"));
    auto* top = new QVBoxLayout(this);
    top->addWidget(WrappedText(QStringLiteral("In what order do you want the stretch routines to appear throughout the day?")));

    auto* grid = new QGridLayout;
    top->addLayout(grid, 1);
    m_left = new CDragDropListBox(this);
    m_left->SetSorted(true);
    m_left->setAccessibleName(QStringLiteral("Routines to choose from"));
    m_left->setAccessibleDescription(AddKeys());
    m_left->setToolTip(AddKeys());
    m_right = new CDragDropListBox(this);
    m_right->setAccessibleName(QStringLiteral("Routines appear in this order"));
    m_right->setAccessibleDescription(SequenceKeys());
    m_right->setToolTip(SequenceKeys());
    auto* leftLabel = new QLabel(QStringLiteral("Routines to c&hoose from:"));
    leftLabel->setBuddy(m_left);
    auto* rightLabel = new QLabel(QStringLiteral("Routines appear in &this order:"));
    rightLabel->setBuddy(m_right);

    m_add = new QPushButton(QStringLiteral(">> A&dd >>"));
    m_remove = new QPushButton(QStringLiteral("&Remove <<"));
    m_clearAll = new QPushButton(QStringLiteral("C&lear All"));
    m_default = new QPushButton(QStringLiteral("De&fault"));
    m_up = new QPushButton(QStringLiteral("&Up"));
    m_down = new QPushButton(QStringLiteral("Do&wn"));
    for (QPushButton* button : {m_add, m_remove, m_clearAll, m_default, m_up, m_down})
        button->setAutoDefault(false);

    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(m_add);
    middle->addWidget(m_remove);
    middle->addStretch();
    auto* side = new QVBoxLayout;
    side->addWidget(m_up);
    side->addWidget(m_down);
    side->addStretch();
    side->addWidget(m_clearAll);
    side->addWidget(m_default);
    grid->addWidget(leftLabel, 0, 0);
    grid->addWidget(rightLabel, 0, 2);
    grid->addWidget(m_left, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(m_right, 1, 2);
    grid->addLayout(side, 1, 3);
    top->addWidget(WrappedText(
        QStringLiteral("To add a routine to your list, \"Drag & Drop\" OR select it and click the \"Add\" button.")));
    top->addWidget(WrappedText(
        QStringLiteral("To remove a routine from your list, select it and click the \"Remove\" button.")));

    // Keyboard order: the choice, Add, Remove, the sequence, then its buttons.
    setTabOrder(m_left, m_add);
    setTabOrder(m_add, m_remove);
    setTabOrder(m_remove, m_right);
    setTabOrder(m_right, m_up);
    setTabOrder(m_up, m_down);
    setTabOrder(m_down, m_clearAll);
    setTabOrder(m_clearAll, m_default);

    connect(m_add, &QPushButton::clicked, this, &CSequenceDlg::OnAdd);
    connect(m_remove, &QPushButton::clicked, this, &CSequenceDlg::OnRemove);
    connect(m_clearAll, &QPushButton::clicked, this, &CSequenceDlg::OnClearAll);
    connect(m_default, &QPushButton::clicked, this, &CSequenceDlg::OnDefault);
    connect(m_up, &QPushButton::clicked, this, [this] { OnMove(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { OnMove(+1); });
    connect(m_right, &CDragDropListBox::SelChange, this, &CSequenceDlg::OnSelChange);
    m_left->installEventFilter(this);
    m_right->installEventFilter(this);
}

void CSequenceDlg::OnInitDialog()
{
    CContentCatalog catalog;
    std::vector<std::pair<std::string, int>> names;
    if (catalog.ScanStretches() == 0 || !catalog.StretchListEntries(&names)) {
        UpdateButtons(-1);
        return;
    }
    // A name past the routines found names no routine: storing it would
    // break the sequence for the controller.
    for (const auto& [name, id] : names)
        if (id < CStretchRoutines::kFirstId + catalog.Stretches().Count())
            m_left->InsertEntry(m_left->count(), FromWindows1252(name), id);
    m_left->SelectRow(0);

    m_text = m_loadedText = Store().ReadString(Settings::kSequence, SettingReader::Page);
    m_index = m_loadedIndex = Store().ReadInt(Settings::kSequenceIndex, SettingReader::Page);
    ShowSequence();
    m_left->SetDropTarget(false);
    m_right->SetDropTarget(true);
}

void CSequenceDlg::ShowSequence()
{
    m_right->ClearEntries();
    CContentCatalog catalog;
    catalog.ScanStretches();
    // The text's terminating zero completes a three-byte tail.
    QByteArray bytes = m_text;
    bytes.append('\0');
    const auto view = Formats::Sequence::DecodeSequence(
        std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
    for (const Entry& entry : view.entries) {
        const int topic = catalog.Stretches().TopicOfCode(CodeOfEntry(entry));
        int row = 0;
        while (row < m_left->count() && m_left->EntryData(row) != topic)
            ++row;
        // The sequence ends at the first entry that names no routine offered.
        if (topic == 0 || row == m_left->count())
            break;
        m_right->InsertEntry(m_right->count(), m_left->item(row)->text(), topic);
    }
    const int count = m_right->count();
    if (m_index >= count || (m_index < 0 && count > 0))
        m_index = 0;
    m_right->SelectRow(m_index);
    UpdateButtons(m_index);
}

QByteArray CSequenceDlg::BuildText() const
{
    CContentCatalog catalog;
    catalog.ScanStretches();
    std::vector<Entry> entries;
    for (int row = 0; row < m_right->count(); ++row)
        entries.push_back(EntryOfCode(catalog.Stretches().CodeOfTopic(int(uint32_t(m_right->EntryData(row)) & kTopicMask))));
    const std::vector<uint8_t> bytes = Formats::Sequence::EncodeSequence(entries);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

void CSequenceDlg::UpdateModified()
{
    m_text = BuildText();
    SetModified(m_text != m_loadedText || m_index != m_loadedIndex);
}

void CSequenceDlg::UpdateButtons(int selection)
{
    const int count = m_right->count();
    m_remove->setEnabled(count >= 1);
    m_clearAll->setEnabled(count >= 1);
    if (count >= 1) {
        selection = std::clamp(selection, 0, count - 1);
        m_right->SelectRow(selection);
    }
    m_up->setEnabled(count >= 1 && selection > 0);
    m_down->setEnabled(count >= 1 && selection < count - 1);
}

void CSequenceDlg::OnAdd()
{
    const int chosen = m_left->SelectedRow();
    if (m_right->count() < kMaxAddedEntries && chosen >= 0) {
        m_index = m_right->InsertEntry(m_right->count(), m_left->item(chosen)->text(), m_left->EntryData(chosen));
        UpdateButtons(m_index);
    }
    UpdateModified();
}

void CSequenceDlg::OnRemove()
{
    const int selected = m_right->SelectedRow();
    if (selected >= 0) {
        m_right->RemoveEntry(selected);
        const int count = m_right->count();
        m_index = count == 0 ? -1 : std::min(selected, count - 1);
        m_right->SelectRow(m_index);
        UpdateButtons(m_index);
    }
    UpdateModified();
}

void CSequenceDlg::OnClearAll()
{
    m_right->ClearEntries();
    m_index = -1;
    UpdateButtons(m_index);
    UpdateModified();
}

void CSequenceDlg::OnDefault()
{
    CContentResource resource;
    m_text.clear();
    if (resource.Load(Formats::Sequence::kDefaultSequenceId, Formats::Sequence::kResourceType)) {
        m_text = QByteArray(reinterpret_cast<const char*>(resource.Lock()), qsizetype(resource.size));
        resource.Unlock();
    }
    m_index = 0;
    ShowSequence();
    UpdateModified();
}

void CSequenceDlg::OnMove(int step)
{
    const int selected = m_right->SelectedRow();
    const int target = selected + step;
    if (selected >= 0 && target >= 0 && target < m_right->count()) {
        const QString text = m_right->item(selected)->text();
        const int data = m_right->EntryData(selected);
        m_right->RemoveEntry(selected);
        m_index = m_right->InsertEntry(target, text, data);
        m_right->SelectRow(m_index);
        UpdateButtons(m_index);
    }
    UpdateModified();
}

void CSequenceDlg::OnSelChange()
{
    m_index = m_right->SelectedRow();
    UpdateButtons(m_index);
    UpdateModified();
}

bool CSequenceDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return CPrefsPage::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool ctrl = key->modifiers() == Qt::ControlModifier;
    const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (watched == m_left && plain
        && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Insert)) {
        OnAdd();
        return true;
    }
    if (watched == m_right) {
        if (plain && key->key() == Qt::Key_Delete) {
            OnRemove();
            return true;
        }
        if (ctrl && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            OnMove(key->key() == Qt::Key_Up ? -1 : +1);
            return true;
        }
    }
    return CPrefsPage::eventFilter(watched, event);
}

bool CSequenceDlg::OnKillActive()
{
    if (m_right->count() > 0)
        return true;
    const auto answer = QMessageBox::warning(this, PrefsStrings::Caption(),
                                             PrefsStrings::Text(PrefsStrings::kNoSequenceQuestion),
                                             QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return answer != QMessageBox::Yes;
}

bool CSequenceDlg::CanApply()
{
    if (m_right->count() > 0)
        return true;
    QMessageBox box(QMessageBox::NoIcon, PrefsStrings::Caption(), PrefsStrings::Text(PrefsStrings::kNoStretchesChosen),
                    QMessageBox::Ok, this);
    box.exec();
    return false;
}

void CSequenceDlg::OnApply()
{
    if (!IsModified())
        return;
    m_text = BuildText();
    m_loadedText = m_text;
    m_loadedIndex = m_index;
    Store().WriteString(Settings::kSequence, m_text);
    Store().WriteInt(Settings::kSequenceIndex, m_index);
    SetModified(false);
    m_post(MessageCodes::kSettingsApplied, Settings::GroupBroadcastParam(SettingGroup::Sequence));
}
