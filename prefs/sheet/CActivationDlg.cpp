#include "CActivationDlg.h"

#include "AppResources.h"
#include "CClockControl.h"
#include "CSettingsStore.h"
#include "MessageCodes.h"
#include "PrefsStrings.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

constexpr int kHourglassPicture = 160;
constexpr QSize kHourglassSize{191, 224};
constexpr int kCaptionSetClock = 57639;
constexpr int kCaptionKeystrokes = 57645;
constexpr int kCaptionIntervals = 57646;
constexpr int kCaptionNoReminder = 57647;
constexpr int kNoClockTimes = 57650;
constexpr int kRangeMessage = 61714;
constexpr int kPositiveMessage = 61719;
constexpr int kPresetCount = 5;

QLabel* WrappedLabel(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

void Warn(QWidget* parent, const QString& text)
{
    QMessageBox::warning(parent, PrefsStrings::Caption(), text, QMessageBox::Ok);
}

// Checks the button with `id`, or none when no button has it.
void CheckId(QButtonGroup* group, int id)
{
    if (QAbstractButton* button = group->button(id)) {
        button->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(true);
}

} // namespace

CActivationDlg::CActivationDlg(CSettingsStore& store, const bool* noMethod, std::function<void(unsigned, int)> post,
                               QWidget* parent)
    : CPrefsPage(store, parent), m_noMethod(noMethod), m_post(std::move(post))
{
    setObjectName(QStringLiteral("How to Activate"));
    m_hourglass.Load(AppResources::Picture(kHourglassPicture));

    auto* top = new QHBoxLayout(this);
    top->setContentsMargins(6, 6, 6, 6);
    auto* left = new QVBoxLayout;
    top->addLayout(left, 1);
    left->addWidget(WrappedLabel(QStringLiteral("What do you want to trigger the reminder?")));

    // The method radios, each with its example underneath.
    m_methodBox = new QGroupBox(QStringLiteral("Method"));
    auto* methods = new QVBoxLayout(m_methodBox);
    m_methods = new QButtonGroup(this);
    const struct {
        int method;
        const char* radio;
        const char* example;
    } methodRows[] = {
        {kIntervals, "Set &regular intervals", "- Every 30 or 45 minutes, etc."},
        {kClock, "Set &clock", "- 9:45, 11:15, etc."},
        {kKeystrokes, "Set number of &keystrokes / mouseclicks", "- 3000 keystrokes/350 mouseclicks, etc."},
    };
    for (const auto& row : methodRows) {
        auto* radio = new QRadioButton(QString::fromLatin1(row.radio));
        auto* example = WrappedLabel(QString::fromLatin1(row.example));
        example->setIndent(20);
        radio->setAccessibleDescription(example->text());
        m_methods->addButton(radio, row.method);
        m_methodRadios[row.method] = radio;
        m_methodTexts[row.method] = example;
        methods->addWidget(radio);
        methods->addWidget(example);
    }
    left->addWidget(m_methodBox);
    left->addStretch();

    // The right panel: one method's controls at a time.
    m_panelBox = new QGroupBox;
    auto* panels = new QVBoxLayout(m_panelBox);
    panels->setContentsMargins(6, 4, 6, 6);
    top->addWidget(m_panelBox);

    m_intervalPanel = new QWidget;
    auto* interval = new QVBoxLayout(m_intervalPanel);
    interval->setContentsMargins(0, 0, 0, 0);
    auto* every = new QLabel(QStringLiteral("Remind me to stretch e&very:"));
    m_intervalList = new QComboBox;
    m_intervalList->setAccessibleName(QStringLiteral("Remind me to stretch every:"));
    every->setBuddy(m_intervalList);
    m_hourglassPlace = new QWidget;
    m_hourglassPlace->setFixedSize(kHourglassSize);
    interval->addWidget(every);
    interval->addWidget(m_intervalList);
    interval->addWidget(m_hourglassPlace, 0, Qt::AlignHCenter);
    interval->addStretch();
    panels->addWidget(m_intervalPanel);

    // "Clear All" sits in the face's lower right corner, outside the ring.
    m_clockPanel = new QWidget;
    auto* clock = new QGridLayout(m_clockPanel);
    clock->setContentsMargins(0, 0, 0, 0);
    m_clock = new CClockControl;
    m_clearAll = new QPushButton(QStringLiteral("C&lear All"));
    clock->addWidget(m_clock, 0, 0);
    clock->addWidget(m_clearAll, 0, 0, Qt::AlignRight | Qt::AlignBottom);
    panels->addWidget(m_clockPanel);

    m_keysPanel = new QWidget;
    auto* keys = new QGridLayout(m_keysPanel);
    keys->setContentsMargins(0, 0, 0, 0);
    keys->setVerticalSpacing(2);
    keys->addWidget(WrappedLabel(QStringLiteral("Remind me to stretch after this many\nkeystrokes / mouseclicks, "
                                                "whichever comes first.")),
                    0, 0, 1, 4);
    m_presets = new QButtonGroup(this);
    const struct {
        const char* radio;
        const char* text;
    } presetRows[kPresetCount] = {
        {"&8000/200", "KEYBOARD INTENSIVE: typesetting, data entry, accounting, writing, etc."},
        {"&1000/600", "MOUSE-INTENSIVE:  Graphic artist, musician, Internet, CAD, prepress, etc."},
        {"&3000/350", "KEYBOARD/MOUSE MIXTURE:  managers, jack-of-all-trades, marketing."},
        {"1&500/75", "PHILOSOPHERS & EXECUTIVES:\nA lot of thought for each keystroke."},
        {"C&ustom", nullptr},
    };
    for (int preset = 0; preset < kPresetCount; ++preset) {
        auto* radio = new QRadioButton(QString::fromLatin1(presetRows[preset].radio));
        m_presets->addButton(radio, preset);
        keys->addWidget(radio, preset + 1, 0, Qt::AlignTop);
        if (presetRows[preset].text) {
            auto* text = WrappedLabel(QString::fromLatin1(presetRows[preset].text));
            radio->setAccessibleDescription(text->text());
            keys->addWidget(text, preset + 1, 1, 1, 3);
        }
    }
    const auto digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    m_customKeysEdit = new QLineEdit;
    m_customKeysEdit->setAccessibleName(QStringLiteral("Custom keystrokes"));
    m_customMiceEdit = new QLineEdit;
    m_customMiceEdit->setAccessibleName(QStringLiteral("Custom mouse clicks"));
    for (QLineEdit* edit : {m_customKeysEdit, m_customMiceEdit}) {
        edit->setValidator(digits);
        edit->setMaxLength(10);
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("9999999")) + 12);
    }
    m_slash = new QLabel(QStringLiteral("/"));
    keys->addWidget(m_customKeysEdit, kPresetCount, 1);
    keys->addWidget(m_slash, kPresetCount, 2);
    keys->addWidget(m_customMiceEdit, kPresetCount, 3, Qt::AlignLeft);
    m_minimum = new QLabel(QStringLiteral("Minimum values:  50 / 50"));
    keys->addWidget(m_minimum, kPresetCount + 1, 1, 1, 3);
    keys->setColumnStretch(3, 1);
    keys->setRowStretch(kPresetCount + 2, 1);
    panels->addWidget(m_keysPanel);

    m_disabledText = WrappedLabel(
        QStringLiteral("The methods are disabled because you have not chosen any method of notification (sound, "
                       "flashing icon, etc.).\n\nIf, however, you do want to be reminded, go to the \"How to "
                       "Notify\" tab (above) and choose at least one method of notification."));
    m_disabledText->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    panels->addWidget(m_disabledText, 1);
    m_panelBox->setMinimumWidth(m_clock->sizeHint().width() + 12);

    for (QWidget* panel : {m_intervalPanel, m_clockPanel, m_keysPanel, static_cast<QWidget*>(m_disabledText)})
        panel->hide();

    connect(m_methods, &QButtonGroup::idClicked, this, [this] {
        ReadControls(false);
        ShowMethodPanel();
    });
    connect(m_presets, &QButtonGroup::idClicked, this, [this] {
        ReadControls(false);
        EnableCustom();
        UpdateModified();
    });
    connect(m_intervalList, &QComboBox::activated, this, [this] {
        ReadControls(false);
        UpdateModified();
    });
    for (QLineEdit* edit : {m_customKeysEdit, m_customMiceEdit})
        connect(edit, &QLineEdit::textEdited, this, [this] {
            ReadControls(false);
            UpdateModified();
        });
    connect(m_clock, &CClockControl::MarksChanged, this, &CActivationDlg::OnMarksChanged);
    connect(m_clearAll, &QPushButton::clicked, this, &CActivationDlg::OnClearAll);
}

void CActivationDlg::OnInitDialog()
{
    using namespace Settings;
    auto readInt = [this](const SettingValue& value) { return Store().ReadInt(value, SettingReader::Page); };
    m_method = m_loadedMethod = readInt(kActivationMode);
    for (size_t i = 0; i < m_marks.size(); ++i)
        m_marks[i] = m_loadedMarks[i] = uint8_t(readInt(kActivationClock[i]) & 0xFF);
    m_interval = m_loadedInterval = readInt(kActivationInterval);
    m_preset = m_loadedPreset = readInt(kActivationKeysAndMice);
    m_customKeys = m_loadedCustomKeys = unsigned(readInt(kActivationCustomKeys));
    m_customMice = m_loadedCustomMice = unsigned(readInt(kActivationCustomMice));

    // A clock without its pictures stays inert; the marks are kept anyway.
    if (m_clock->Init())
        m_clock->SetMarks(m_marks);
    for (const QString& text : PrefsStrings::IntervalList())
        m_intervalList->addItem(text);
    PushControls();
    ShowState();
}

void CActivationDlg::PushControls()
{
    CheckId(m_methods, m_method);
    CheckId(m_presets, m_preset);
    // A stored value outside its list shows no selection; it stays stored.
    m_intervalList->setCurrentIndex(m_interval >= 0 && m_interval < m_intervalList->count() ? m_interval : -1);
    m_customKeysEdit->setText(QString::number(m_customKeys));
    m_customMiceEdit->setText(QString::number(m_customMice));
}

bool CActivationDlg::ReadCustom(QLineEdit* edit, unsigned* value, bool check)
{
    const QString text = edit->text().trimmed();
    bool digitsOnly = !text.isEmpty();
    for (QChar c : text)
        digitsOnly = digitsOnly && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    bool fits = false;
    const qulonglong number = digitsOnly ? text.toULongLong(&fits) : 0;
    QString problem;
    if (!digitsOnly)
        problem = PrefsStrings::Text(kPositiveMessage);
    else if (!fits || number < kCustomMinimum || number > kCustomMaximum)
        problem = PrefsStrings::Text(kRangeMessage).arg(kCustomMinimum).arg(kCustomMaximum);
    if (problem.isEmpty()) {
        *value = unsigned(number);
        return true;
    }
    if (check) {
        Warn(this, problem);
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
    }
    return false;
}

bool CActivationDlg::ReadControls(bool check)
{
    // No checked radio or selection (a stored value outside its range)
    // leaves the stored value as it is.
    if (m_methods->checkedId() >= 0)
        m_method = m_methods->checkedId();
    if (m_presets->checkedId() >= 0)
        m_preset = m_presets->checkedId();
    if (m_intervalList->currentIndex() >= 0)
        m_interval = m_intervalList->currentIndex();
    // The custom numbers are checked where they count: with "Custom"
    // chosen in the keystroke panel. Elsewhere text that is no number in
    // range is not taken, and the stored number stays.
    const bool inUse = !m_noMethodCopy && m_method == kKeystrokes && m_preset == kCustomPreset;
    if (!ReadCustom(m_customMiceEdit, &m_customMice, check && inUse) && check && inUse)
        return false;
    if (!ReadCustom(m_customKeysEdit, &m_customKeys, check && inUse) && check && inUse)
        return false;
    return true;
}

void CActivationDlg::ShowMethodPanel()
{
    const int method = m_methods->checkedId();
    m_intervalShown = method == kIntervals;
    m_intervalPanel->setVisible(method == kIntervals);
    m_intervalPanel->setEnabled(true);
    m_clockPanel->setVisible(method == kClock);
    m_clearAll->setEnabled(m_clock->IsReady() && m_clock->HasMarks());
    m_keysPanel->setVisible(method == kKeystrokes);
    EnableCustom();
    static constexpr int kCaptions[] = {kCaptionIntervals, kCaptionSetClock, kCaptionKeystrokes};
    m_panelBox->setTitle(method >= 0 ? PrefsStrings::Text(kCaptions[method]) : QString());
    update();
    UpdateModified();
}

void CActivationDlg::ShowState()
{
    m_disabledText->setVisible(m_noMethodCopy);
    m_methodBox->setEnabled(!m_noMethodCopy);
    if (!m_noMethodCopy) {
        ShowMethodPanel();
        return;
    }
    m_intervalShown = false;
    for (QWidget* panel : {m_intervalPanel, m_clockPanel, m_keysPanel})
        panel->hide();
    m_panelBox->setTitle(PrefsStrings::Text(kCaptionNoReminder));
    update();
}

void CActivationDlg::EnableCustom()
{
    const bool custom = m_presets->checkedId() == kCustomPreset;
    for (QWidget* widget : {static_cast<QWidget*>(m_customKeysEdit), static_cast<QWidget*>(m_customMiceEdit),
                            static_cast<QWidget*>(m_slash), static_cast<QWidget*>(m_minimum)})
        widget->setEnabled(custom);
}

void CActivationDlg::showEvent(QShowEvent* event)
{
    // Set-active: follow "How to Notify" when its methods were switched
    // off or on since this page was last shown.
    if (IsInitialised() && *m_noMethod != m_noMethodCopy) {
        m_noMethodCopy = *m_noMethod;
        ShowState();
    }
    CPrefsPage::showEvent(event);
}

void CActivationDlg::paintEvent(QPaintEvent* event)
{
    CPrefsPage::paintEvent(event);
    if (!m_intervalShown)
        return;
    QPainter painter(this);
    m_hourglass.Draw(painter, m_hourglassPlace->mapTo(this, QPoint(0, 0)));
}

void CActivationDlg::OnMarksChanged(const ClockMarks& marks)
{
    m_marks = marks;
    UpdateModified();
    m_clearAll->setEnabled(m_clock->HasMarks());
}

void CActivationDlg::OnClearAll()
{
    m_clock->ClearMarks();
    m_marks = m_clock->Marks();
    UpdateModified();
    // The button goes grey under the keyboard: the clock takes the focus.
    m_clock->setFocus(Qt::OtherFocusReason);
    m_clearAll->setEnabled(false);
}

void CActivationDlg::UpdateModified()
{
    SetModified(m_marks != m_loadedMarks || m_method != m_loadedMethod || m_interval != m_loadedInterval
                || m_preset != m_loadedPreset || m_customKeys != m_loadedCustomKeys
                || m_customMice != m_loadedCustomMice);
}

bool CActivationDlg::OnKillActive()
{
    // In the "No Reminder" state nothing on the page can be changed, so
    // nothing there may keep the user.
    if (!m_noMethodCopy && m_methods->checkedId() == kClock && !ClockMarkBits::Any(m_marks)) {
        Warn(this, PrefsStrings::Text(kNoClockTimes));
        return false;
    }
    return ReadControls(true);
}

void CActivationDlg::OnApply()
{
    if (!ReadControls(true))
        return;
    UpdateModified();
    if (!IsModified())
        return;
    using namespace Settings;
    m_loadedMarks = m_marks;
    m_loadedInterval = m_interval;
    m_loadedMethod = m_method;
    m_loadedPreset = m_preset;
    m_loadedCustomMice = m_customMice;
    m_loadedCustomKeys = m_customKeys;
    Store().WriteInt(kActivationMode, m_method);
    for (size_t i = 0; i < m_marks.size(); ++i)
        Store().WriteInt(kActivationClock[i], m_marks[i]);
    Store().WriteInt(kActivationInterval, m_interval);
    Store().WriteInt(kActivationKeysAndMice, m_preset);
    Store().WriteInt(kActivationCustomKeys, int(m_customKeys));
    Store().WriteInt(kActivationCustomMice, int(m_customMice));
    SetModified(false);
    m_post(MessageCodes::kSettingsApplied, GroupBroadcastParam(SettingGroup::Activation));
}
