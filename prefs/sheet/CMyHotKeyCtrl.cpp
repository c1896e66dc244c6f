#include "CMyHotKeyCtrl.h"

#include "VirtualKeyTable.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFrame>

namespace {

constexpr uint32_t kKeysymF1 = 0xffbe;

// The X keysym of a key event; the offscreen platform reports none, so the
// Qt key stands in for Latin-1 keys and function keys there.
uint32_t KeysymOf(const QKeyEvent& event)
{
    if (event.nativeVirtualKey() != 0)
        return event.nativeVirtualKey();
    const int key = event.key();
    if (key > 0 && key < 0x100)
        return uint32_t(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return kKeysymF1 + uint32_t(key - Qt::Key_F1);
    return 0;
}

uint8_t ModifiersOf(Qt::KeyboardModifiers held)
{
    uint8_t bits = 0;
    if (held & Qt::ShiftModifier)
        bits |= CMyHotKeyCtrl::kShift;
    if (held & Qt::ControlModifier)
        bits |= CMyHotKeyCtrl::kControl;
    if (held & Qt::AltModifier)
        bits |= CMyHotKeyCtrl::kAlt;
    return bits;
}

bool IsLetter(uint8_t key) { return key >= 'A' && key <= 'Z'; }

} // namespace

CMyHotKeyCtrl::CMyHotKeyCtrl(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAccessibleName(QStringLiteral("Hot Key:"));
}

void CMyHotKeyCtrl::SetHotKey(uint8_t virtualKey, uint8_t modifiers)
{
    m_key = virtualKey;
    m_modifiers = modifiers;
    setAccessibleDescription(Text(m_key, m_modifiers));
    update();
}

QString CMyHotKeyCtrl::Text(uint8_t virtualKey, uint8_t modifiers)
{
    if (virtualKey == 0)
        return QStringLiteral("None");
    QString text;
    if (modifiers & kShift)
        text += QStringLiteral("Shift + ");
    if (modifiers & kControl)
        text += QStringLiteral("Ctrl + ");
    if (modifiers & kAlt)
        text += QStringLiteral("Alt + ");
    const QString name = QString::fromLatin1(VirtualKeyTable::Name(virtualKey));
    return text + (name.isEmpty() ? QStringLiteral("Key %1").arg(virtualKey) : name);
}

bool CMyHotKeyCtrl::Accept(uint8_t virtualKey, uint8_t* modifiers)
{
    const uint8_t held = *modifiers & (kShift | kControl | kAlt);
    const bool ctrlAlt = (held & (kControl | kAlt)) == (kControl | kAlt);
    if (IsLetter(virtualKey) && !ctrlAlt)
        return false;
    // Every combination but Ctrl+Alt and Shift+Ctrl+Alt is invalid and
    // replaced by no modifier.
    if (!ctrlAlt)
        *modifiers &= uint8_t(~(kShift | kControl | kAlt));
    return true;
}

void CMyHotKeyCtrl::keyPressEvent(QKeyEvent* event)
{
    // The keys a dialog moves and closes by are the dialog's: Tab and
    // Shift+Tab move the focus, Escape cancels, Enter presses the default
    // button. Passed on, they never become a combination.
    switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->ignore();
        return;
    default:
        break;
    }
    const uint8_t key = VirtualKeyTable::FromKeysym(KeysymOf(*event));
    if (key == VirtualKey::kNone || key == VirtualKey::kUnmapped || VirtualKeyTable::ModifierOf(key) != 0)
        return;
    uint8_t modifiers = ModifiersOf(event->modifiers());
    if (!Accept(key, &modifiers)) {
        QApplication::beep();
        emit Refused();
        return;
    }
    SetHotKey(key, modifiers);
    emit Changed();
}

void CMyHotKeyCtrl::keyReleaseEvent(QKeyEvent*) {}

bool CMyHotKeyCtrl::event(QEvent* event)
{
    // A key typed here is a combination for the control, never a shortcut
    // of the sheet around it.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void CMyHotKeyCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.lineWidth = 1;
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &painter, this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(rect().adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, Text(m_key, m_modifiers));
}

QSize CMyHotKeyCtrl::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(QStringLiteral("Shift + Ctrl + Alt + Page Down")) + 12,
            fontMetrics().height() + 8};
}
