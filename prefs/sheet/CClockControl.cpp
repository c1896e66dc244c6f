#include "CClockControl.h"

#include "AppResources.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QStyleOptionFocusRect>

namespace {

constexpr int kColumns = 6;
constexpr int kSetColumn = 1, kHoverColumns = 2, kPressedColumns = 4;
constexpr QRgb kTimeColour = qRgb(255, 0, 0);
constexpr int kTimePixelSize = 13; // 10 points at 96 dots per inch
constexpr int kMarksPerHour = 4;

QString TrimmedTime(int mark) { return ClockFaceGeometry::TimeText(mark).trimmed(); }

// One quarter-hour mark on the accessibility bus: a check box named by its
// time, toggled by its action.
class CClockMarkAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    CClockMarkAccessible(CClockControl* clock, int mark) : m_clock(clock), m_mark(mark) {}

    bool isValid() const override { return m_clock; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_clock ? m_clock->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_clock.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return TrimmedTime(m_mark);
        if (t == QAccessible::Description)
            return QStringLiteral("Remind me to stretch at %1").arg(TrimmedTime(m_mark));
        return QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!m_clock)
            return {};
        const QRect local = m_clock->Geometry().MarkRect(m_mark);
        return {m_clock->mapToGlobal(local.topLeft()), local.size()};
    }
    QAccessible::Role role() const override { return QAccessible::CheckBox; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!m_clock)
            return state;
        state.checkable = true;
        state.checked = m_clock->IsMarkSet(m_mark);
        state.focusable = true;
        state.focused = m_clock->hasFocus() && m_clock->KeyboardMark() == m_mark;
        state.hotTracked = m_clock->HoverMark() == m_mark;
        state.invisible = !m_clock->isVisible();
        state.disabled = !m_clock->isEnabled();
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override { return {toggleAction(), setFocusAction()}; }
    void doAction(const QString& name) override
    {
        if (!m_clock || !m_clock->isEnabled())
            return;
        if (name == toggleAction() || name == pressAction())
            m_clock->ToggleMark(m_mark);
        else if (name == setFocusAction())
            m_clock->setFocus(Qt::OtherFocusReason);
    }
    QStringList keyBindingsForAction(const QString& name) const override
    {
        return name == toggleAction() ? QStringList{QStringLiteral("Space")} : QStringList{};
    }

private:
    QPointer<CClockControl> m_clock;
    int m_mark;
};

// The clock: a group of 48 check boxes; its value lists the times set.
class CClockAccessible : public QAccessibleWidget {
public:
    explicit CClockAccessible(CClockControl* clock) : QAccessibleWidget(clock, QAccessible::Grouping) {}
    ~CClockAccessible() override
    {
        for (QAccessible::Id id : m_ids)
            if (id)
                QAccessible::deleteAccessibleInterface(id);
    }

    CClockControl* Clock() const { return static_cast<CClockControl*>(widget()); }

    int childCount() const override { return Clock()->IsReady() ? ClockMarkBits::kMarkCount : 0; }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        QAccessible::Id& id = m_ids[size_t(index)];
        if (!id)
            id = QAccessible::registerAccessibleInterface(new CClockMarkAccessible(Clock(), index));
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (size_t i = 0; i < m_ids.size(); ++i)
            if (m_ids[i] && QAccessible::accessibleInterface(m_ids[i]) == child)
                return int(i);
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint local = Clock()->mapFromGlobal(QPoint(x, y));
        for (int s = 0; s < childCount(); ++s)
            if (Clock()->Geometry().MarkRect(s).contains(local))
                return child(s);
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override
    {
        return Clock()->hasFocus() ? child(Clock()->KeyboardMark()) : nullptr;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Value)
            return QAccessibleWidget::text(t);
        QStringList times;
        for (int s = 0; s < ClockMarkBits::kMarkCount; ++s)
            if (Clock()->IsMarkSet(s))
                times << TrimmedTime(s);
        return times.isEmpty() ? QStringLiteral("No times set") : times.join(QStringLiteral(", "));
    }

private:
    mutable std::array<QAccessible::Id, ClockMarkBits::kMarkCount> m_ids{};
};

QAccessibleInterface* ClockAccessibleFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("CClockControl") && object && object->isWidgetType())
        return new CClockAccessible(static_cast<CClockControl*>(object));
    return nullptr;
}

void NotifyMark(CClockControl* clock, int mark, QAccessible::Event type)
{
    if (!QAccessible::isActive() || mark < 0)
        return;
    if (type == QAccessible::StateChanged) {
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(clock, changed);
        event.setChild(mark);
        QAccessible::updateAccessibility(&event);
    } else {
        QAccessibleEvent event(clock, type);
        event.setChild(mark);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace

CClockControl::CClockControl(QWidget* parent) : QWidget(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(ClockAccessibleFactory);
        return true;
    }();
    (void)installed;
    setObjectName(QStringLiteral("Clock Control"));
    setAccessibleName(QStringLiteral("Clock Control"));
    setAccessibleDescription(
        QStringLiteral("Times to remind me to stretch: the arrow keys choose a quarter hour, Space sets or clears it"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setFixedSize(m_faceSize);
}

bool CClockControl::Init()
{
    return Init(AppResources::Picture(kFacePicture), AppResources::Picture(kSpritePicture),
                AppResources::Picture(kMaskPicture));
}

bool CClockControl::Init(const QImage& face, const QImage& sprites, const QImage& masks)
{
    const int size = ClockFaceGeometry::kMarkSize;
    if (m_ready || face.isNull() || sprites.width() < kColumns * size || sprites.height() < 2 * size
        || masks.width() < size || masks.height() < 2 * size)
        return false;
    if (!m_face.Load(face))
        return false;
    // The sprite shows where its mask is white, the face everywhere else.
    const QImage colours = sprites.convertToFormat(QImage::Format_ARGB32);
    const QImage mask = masks.convertToFormat(QImage::Format_Grayscale8);
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < kColumns; ++column) {
            QImage tile = colours.copy(column * size, row * size, size, size);
            for (int y = 0; y < size; ++y) {
                auto* line = reinterpret_cast<QRgb*>(tile.scanLine(y));
                const uchar* bits = mask.constScanLine(row * size + y);
                for (int x = 0; x < size; ++x)
                    if (bits[x] < 128)
                        line[x] = qRgba(0, 0, 0, 0);
            }
            m_sprites[size_t(row)][size_t(column)] = tile;
        }
    m_faceSize = face.size();
    m_geometry = ClockFaceGeometry(m_faceSize);
    m_hoverMark = -1;
    m_hoverButtons = {};
    m_marks = m_reported = {};
    m_ready = true;
    setFixedSize(m_faceSize);
    update();
    return true;
}

void CClockControl::InvalidateMark(int mark)
{
    if (mark >= 0 && mark < ClockMarkBits::kMarkCount)
        update(m_geometry.MarkRect(mark));
}

void CClockControl::SetMark(int mark, bool on)
{
    if (ClockMarkBits::IsSet(m_marks, mark) == on)
        return;
    ClockMarkBits::Set(&m_marks, mark, on);
    InvalidateMark(mark);
    NotifyMark(this, mark, QAccessible::StateChanged);
}

void CClockControl::ClearMarks()
{
    for (int s = 0; s < ClockMarkBits::kMarkCount; ++s)
        SetMark(s, false);
    m_reported = m_marks;
}

void CClockControl::SetMarks(const ClockMarks& marks)
{
    for (int s = 0; s < ClockMarkBits::kMarkCount; ++s)
        SetMark(s, ClockMarkBits::IsSet(marks, s));
    m_reported = m_marks;
}

void CClockControl::ToggleMark(int mark)
{
    if (!m_ready || mark < 0 || mark >= ClockMarkBits::kMarkCount)
        return;
    SetMark(mark, !IsMarkSet(mark));
    SetHover(mark, m_hoverMark == mark ? m_hoverButtons : Qt::MouseButtons());
}

void CClockControl::SetHover(int mark, Qt::MouseButtons buttons)
{
    InvalidateMark(mark);
    InvalidateMark(m_hoverMark);
    if (mark != m_hoverMark)
        update(m_geometry.TimeRect());
    m_hoverMark = mark;
    m_hoverButtons = buttons;
    if (m_marks != m_reported) {
        m_reported = m_marks;
        emit MarksChanged(m_marks);
    }
}

void CClockControl::mousePressEvent(QMouseEvent* event)
{
    if (m_ready && event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        SetHover(HitTest(at.x(), at.y()), event->buttons());
    }
    QWidget::mousePressEvent(event);
}

void CClockControl::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_ready && event->button() == Qt::LeftButton) {
        // Only the mark under the release toggles, wherever the press was.
        const QPoint at = event->position().toPoint();
        const int mark = HitTest(at.x(), at.y());
        if (mark != -1) {
            SetMark(mark, !IsMarkSet(mark));
            m_keyboardMark = mark;
        }
        SetHover(mark, event->buttons());
    }
    QWidget::mouseReleaseEvent(event);
}

void CClockControl::mouseMoveEvent(QMouseEvent* event)
{
    if (m_ready) {
        const QPoint at = event->position().toPoint();
        const int mark = HitTest(at.x(), at.y());
        if (mark != m_hoverMark || event->buttons() != m_hoverButtons)
            SetHover(mark, event->buttons());
    }
    QWidget::mouseMoveEvent(event);
}

void CClockControl::leaveEvent(QEvent* event)
{
    // Nothing stays highlighted once the mouse has left, unless the
    // keyboard works on that mark.
    if (m_ready)
        SetHover(hasFocus() ? m_keyboardMark : -1, {});
    QWidget::leaveEvent(event);
}

void CClockControl::MoveKeyboardMark(int mark)
{
    const int count = ClockMarkBits::kMarkCount;
    const int old = m_keyboardMark;
    m_keyboardMark = ((mark % count) + count) % count;
    InvalidateMark(old);
    SetHover(m_keyboardMark, {});
    NotifyMark(this, m_keyboardMark, QAccessible::Focus);
}

void CClockControl::keyPressEvent(QKeyEvent* event)
{
    if (!m_ready) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Down:
        MoveKeyboardMark(m_keyboardMark + 1);
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
        MoveKeyboardMark(m_keyboardMark - 1);
        break;
    case Qt::Key_PageDown:
        MoveKeyboardMark(m_keyboardMark + kMarksPerHour);
        break;
    case Qt::Key_PageUp:
        MoveKeyboardMark(m_keyboardMark - kMarksPerHour);
        break;
    case Qt::Key_Home:
        MoveKeyboardMark(0);
        break;
    case Qt::Key_End:
        MoveKeyboardMark(ClockMarkBits::kMarkCount - 1);
        break;
    case Qt::Key_Space:
        ToggleMark(m_keyboardMark);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CClockControl::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (m_ready) {
        SetHover(m_keyboardMark, {});
        NotifyMark(this, m_keyboardMark, QAccessible::Focus);
    }
}

void CClockControl::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    if (m_ready) {
        // The next mouse move brings the highlight back where the mouse is.
        InvalidateMark(m_keyboardMark);
        SetHover(-1, {});
    }
}

void CClockControl::paintEvent(QPaintEvent*)
{
    if (!m_ready)
        return;
    QPainter painter(this);
    m_face.Draw(painter, {0, 0});
    for (int s = 0; s < ClockMarkBits::kMarkCount; ++s) {
        int column = IsMarkSet(s) ? kSetColumn : 0;
        if (s == m_hoverMark)
            column += (m_hoverButtons & Qt::LeftButton) ? kPressedColumns : kHoverColumns;
        const int row = ClockFaceGeometry::IsHourMark(s) ? 0 : 1;
        painter.drawImage(m_geometry.MarkRect(s).topLeft(), m_sprites[size_t(row)][size_t(column)]);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = m_geometry.MarkRect(m_keyboardMark).adjusted(-2, -2, 2, 2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(kTimePixelSize);
    painter.setFont(font);
    painter.setPen(QColor(kTimeColour));
    const QString text = TimeText();
    const QPoint anchor = m_geometry.TimeAnchor();
    painter.drawText(anchor.x() - painter.fontMetrics().horizontalAdvance(text) / 2, anchor.y(), text);
}
