#include "CHotKeyDlg.h"

#include "AppResources.h"
#include "CMyHotKeyCtrl.h"
#include "CSettingsStore.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int kKeyboardPicture = 159;
constexpr QSize kKeyboardSize{290, 127};

} // namespace

CHotKeyDlg::CHotKeyDlg(CSettingsStore& store, SetHotKeyFunction setHotKey, QWidget* parent)
    : CPrefsPage(store, parent), m_setHotKey(std::move(setHotKey))
{
    setObjectName(QStringLiteral("Hot Key"));
    auto* top = new QVBoxLayout(this);
    top->addWidget(new QLabel(QStringLiteral("Do you want to set up a hot key?")));
    auto* panels = new QHBoxLayout;
    top->addLayout(panels);

    auto* enableGroup = new QGroupBox(QStringLiteral("Enable/Disable"));
    auto* left = new QVBoxLayout(enableGroup);
    auto* explanation = new QLabel(QStringLiteral("You can pick a key combination that will bring up the next stretch "
                                                  "routine at any time.\n\nPress Ctrl and Alt plus any key."));
    explanation->setWordWrap(true);
    left->addWidget(explanation);
    m_enable = new QCheckBox(QStringLiteral("&Enable Hot Key"));
    left->addWidget(m_enable);
    panels->addWidget(enableGroup);

    m_setGroup = new QGroupBox(QStringLiteral("Set Hot Key"));
    auto* right = new QVBoxLayout(m_setGroup);
    m_label = new QLabel(QStringLiteral("&Hot Key:"));
    m_hotKey = new CMyHotKeyCtrl;
    m_label->setBuddy(m_hotKey);
    right->addWidget(m_label);
    right->addWidget(m_hotKey);
    right->addStretch();
    panels->addWidget(m_setGroup);

    m_placeholder = new QWidget;
    m_placeholder->setFixedSize(kKeyboardSize);
    m_placeholder->setAccessibleName(QStringLiteral("Keyboard"));
    top->addWidget(m_placeholder, 0, Qt::AlignHCenter);
    top->addStretch();

    connect(m_enable, &QCheckBox::clicked, this, &CHotKeyDlg::OnEnableClicked);
    connect(m_hotKey, &CMyHotKeyCtrl::Changed, this, [this] {
        m_key = m_hotKey->VirtualKey();
        m_modifiers = m_hotKey->Modifiers();
        UpdateModified();
    });
}

void CHotKeyDlg::OnInitDialog()
{
    m_keyboard.Load(AppResources::Picture(kKeyboardPicture));
    // The placeholder keeps its place in the layout; the picture is painted
    // by the page over it.
    m_enabled = m_loadedEnabled = Store().ReadInt(Settings::kHotKeyEnable, SettingReader::Page);
    m_key = m_loadedKey = uint16_t(Store().ReadInt(Settings::kHotKeyKeycode, SettingReader::Page));
    m_modifiers = m_loadedModifiers = uint16_t(Store().ReadInt(Settings::kHotKeyModifiers, SettingReader::Page));
    // The control shows a byte of each; what it cannot show does not make
    // the page modified.
    m_hotKey->SetHotKey(uint8_t(m_key), uint8_t(m_modifiers));
    m_enable->setChecked(m_enabled != 0);
    OnEnableClicked();
}

void CHotKeyDlg::OnEnableClicked()
{
    m_enabled = m_enable->isChecked() ? 1 : 0;
    m_setGroup->setEnabled(m_enabled);
    UpdateModified();
    if (m_enabled)
        m_hotKey->setFocus();
}

void CHotKeyDlg::UpdateModified()
{
    SetModified(m_enabled != m_loadedEnabled || m_key != m_loadedKey || m_modifiers != m_loadedModifiers);
}

void CHotKeyDlg::paintEvent(QPaintEvent* event)
{
    CPrefsPage::paintEvent(event);
    QPainter painter(this);
    m_keyboard.Draw(painter, m_placeholder->geometry().topLeft());
}

void CHotKeyDlg::OnApply()
{
    if (!IsModified())
        return;
    m_loadedEnabled = m_enabled;
    m_loadedKey = m_key;
    m_loadedModifiers = m_modifiers;
    Store().WriteInt(Settings::kHotKeyEnable, m_enabled);
    Store().WriteInt(Settings::kHotKeyKeycode, m_key);
    Store().WriteInt(Settings::kHotKeyModifiers, m_modifiers);
    SetModified(false);
    m_setHotKey(m_modifiers & CMyHotKeyCtrl::kAlt, m_modifiers & CMyHotKeyCtrl::kControl,
                m_modifiers & CMyHotKeyCtrl::kShift, m_key);
}
