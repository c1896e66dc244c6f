#include "CStretchView.h"

#include "AppResources.h"
#include "CMainFrame.h"
#include "CMoreList.h"
#include "CPrinterDC.h"
#include "CStretchApp.h"
#include "CTabButton.h"
#include "CTopicPlayer.h"
#include "MessageCodes.h"
#include "SettingsTable.h"
#include "ViewerIds.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace {
uint16_t MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    using namespace ViewerIds;
    unsigned flags = 0;
    if (buttons & Qt::LeftButton) flags |= kMkLButton;
    if (buttons & Qt::RightButton) flags |= kMkRButton;
    if (buttons & Qt::MiddleButton) flags |= kMkMButton;
    if (modifiers & Qt::ShiftModifier) flags |= kMkShift;
    if (modifiers & Qt::ControlModifier) flags |= kMkControl;
    return uint16_t(flags);
}

// Ticks that bring a new player to its first frame.
constexpr int kPrintTicks = 2;

bool IsEnter(const QKeyEvent* e)
{
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}
} // namespace

CStretchView::CStretchView(CStretchApp* app, CMainFrame* frame)
    : QWidget(frame)
    , m_app(app)
    , m_frame(frame)
    , m_surface(QSize(ViewerIds::kViewWidth, ViewerIds::kViewHeight), [this](const QRect& r) { RequestRepaint(r); })
{
    setFixedSize(ViewerIds::kViewWidth, ViewerIds::kViewHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    {
        std::lock_guard lock(m_app->DrawLock());
        m_app->SetView(this);
    }
    int topic = m_app->Settings().ReadInt(Settings::kLastStretchTopic, SettingReader::Viewer);
    if (topic < ViewerIds::kFirstStretch || topic > 399)
        topic = ViewerIds::kDefaultTopic;
    SetCurrentTopic(topic);
}

CStretchView::~CStretchView()
{
    m_app->StopEvent().Signal();
    std::lock_guard lock(m_app->DrawLock());
    m_player.reset();
    delete m_exit;
    delete m_next;
    delete m_prev;
    delete m_moreList;
    m_app->SetControlsRegion(nullptr);
    m_app->SetView(nullptr);
}

void CStretchView::SetCurrentTopic(int topicId)
{
    m_currentTopic = topicId;
    m_navigationPosition = topicId;
}

CTabButton* CStretchView::Button(int commandId) const
{
    switch (commandId) {
    case ViewerIds::kExitButton: return m_exit;
    case ViewerIds::kNext: return m_next;
    case ViewerIds::kPrev: return m_prev;
    default: return nullptr;
    }
}

void CStretchView::RequestRepaint(const QRect& rect)
{
    // Runs under the drawing lock, possibly on the tick thread: only queue.
    QMetaObject::invokeMethod(this, [this, rect] { update(rect); }, Qt::QueuedConnection);
}

void CStretchView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_controlsCreated)
        CreateControls();
}

void CStretchView::CreateControls()
{
    m_controlsCreated = true;
    m_exit = new CTabButton(AppResources::String(ViewerIds::kStrExit), ViewerIds::kExitButton, this);
    m_next = new CTabButton(AppResources::String(ViewerIds::kStrNext), ViewerIds::kNext, this);
    m_prev = new CTabButton(AppResources::String(ViewerIds::kStrPrev), ViewerIds::kPrev, this);
    m_exit->setGeometry(kExitRect);
    m_next->setGeometry(kNextRect);
    m_prev->setGeometry(kPrevRect);
    for (CTabButton* button : {m_exit, m_next, m_prev}) {
        const int id = button->CommandId();
        connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        button->show();
    }
    m_moreList = new CMoreList(this, [this](QKeyEvent* e) { return ForwardKey(e); });
    m_moreList->setGeometry(kListRect);
    m_moreList->Create();
    connect(m_moreList, qOverload<int>(&QComboBox::activated), this,
            [this] { SelectTopic(m_moreList->GetSelectedTopic() + ViewerIds::kCommandOffset); });
    m_moreList->show();

    m_moreList->ShowTopic(m_currentTopic);
    m_frame->SetTitleFor(m_currentTopic);
    {
        std::lock_guard lock(m_app->DrawLock());
        UpdateButtons();
        m_controlsRegion = QRegion(kExitRect) | QRegion(kPrevRect) | QRegion(kNextRect) | QRegion(kListRect);
        m_app->SetControlsRegion(&m_controlsRegion);
    }
    m_tabOrder = {m_moreList, m_prev, m_next, m_exit};
    for (int i = 0; i + 1 < kControlCount; ++i)
        setTabOrder(m_tabOrder[size_t(i)], m_tabOrder[size_t(i + 1)]);
    m_focusIndex = 0;
    m_defaultButton = m_exit;
    m_exit->setDefault(true);
    SetFocusToIndex();
}

void CStretchView::UpdateButtons()
{
    m_next->setEnabled(m_moreList->HasNext());
    m_prev->setEnabled(m_moreList->HasPrev());
}

void CStretchView::SetFocusToIndex()
{
    QWidget* control = m_tabOrder[size_t(m_focusIndex)];
    control->setFocus(Qt::TabFocusReason);
    auto* button = qobject_cast<CTabButton*>(control);
    CTabButton* newDefault = button ? button : m_exit;
    if (newDefault != m_defaultButton) {
        m_defaultButton->setDefault(false);
        m_defaultButton = newDefault;
        m_defaultButton->setDefault(true);
    }
}

void CStretchView::StepFocus(bool backwards)
{
    // Start from the control that has the focus now (a click may have moved it).
    for (int i = 0; i < kControlCount; ++i) {
        if (m_tabOrder[size_t(i)] && m_tabOrder[size_t(i)]->hasFocus())
            m_focusIndex = i;
    }
    const int start = m_focusIndex;
    int index = start;
    do {
        index = (index + (backwards ? kControlCount - 1 : 1)) % kControlCount;
    } while (index != start && !m_tabOrder[size_t(index)]->isEnabled());
    m_focusIndex = index;
    SetFocusToIndex();
}

bool CStretchView::ForwardKey(QKeyEvent* event)
{
    if (!m_controlsCreated)
        return false;
    switch (event->key()) {
    case Qt::Key_Tab:
        StepFocus(event->modifiers() & Qt::ShiftModifier);
        return true;
    case Qt::Key_Backtab:
        StepFocus(true);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_moreList->hasFocus() && m_moreList->view()->isVisible())
            return false;
        m_frame->OnCommand(m_moreList->hasFocus() ? ViewerIds::kExitButton : m_defaultButton->CommandId());
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        keyPressEvent(event);
        return event->isAccepted();
    default:
        return false;
    }
}

void CStretchView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_Left:
    case Qt::Key_Up:
        OnCommand(ViewerIds::kPrev);
        event->accept();
        return;
    case Qt::Key_PageDown:
    case Qt::Key_Right:
    case Qt::Key_Down:
        OnCommand(ViewerIds::kNext);
        event->accept();
        return;
    default:
        if (IsEnter(event) || event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
            event->setAccepted(ForwardKey(event));
            return;
        }
        event->ignore();
    }
}

void CStretchView::NoteButtonPress()
{
    if (ViewerIds::IsStretch(m_currentTopic))
        m_frame->PostToController(MessageCodes::kViewerClicked);
}

void CStretchView::OnCommand(int id)
{
    if (!m_controlsCreated)
        return;
    switch (id) {
    case ViewerIds::kNext:
        if (m_moreList->HasNext()) {
            m_moreList->Next();
            ++m_navigationPosition;
            SelectTopic(m_navigationPosition + ViewerIds::kCommandOffset);
        }
        break;
    case ViewerIds::kPrev:
        if (m_moreList->HasPrev()) {
            m_moreList->Prev();
            --m_navigationPosition;
            SelectTopic(m_navigationPosition + ViewerIds::kCommandOffset);
        }
        break;
    case ViewerIds::kExitButton:
        QMetaObject::invokeMethod(m_frame, &QWidget::close, Qt::QueuedConnection);
        break;
    default:
        break;
    }
}

void CStretchView::SelectTopic(int commandId)
{
    const int topic = commandId - ViewerIds::kCommandOffset;
    if (topic == m_currentTopic)
        return;
    m_frame->CheckTopicItem(m_currentTopic + ViewerIds::kCommandOffset, false);
    SetCurrentTopic(topic);
    m_app->Settings().WriteInt(Settings::kLastStretchTopic, topic);
    m_frame->CheckTopicItem(commandId, true);
    if (m_controlsCreated)
        m_moreList->ShowTopic(topic);
    m_frame->SetTitleFor(topic);
    {
        std::lock_guard lock(m_app->DrawLock());
        if (m_controlsCreated)
            UpdateButtons();
        m_player.reset();
    }
    update();
}

void CStretchView::paintEvent(QPaintEvent* event)
{
    std::lock_guard lock(m_app->DrawLock());
    m_surface.SetPaintClip(event->rect());
    if (m_player) {
        m_player->Paint(&m_surface);
    } else {
        // The new player shows its first frame at the next tick.
        auto player = std::make_unique<CTopicPlayer>(uint16_t(m_navigationPosition), &m_surface, &m_controlsRegion);
        if (player->Open())
            m_player = std::move(player);
        else
            SetCurrentTopic(0);
    }
    m_surface.ClearPaintClip();
    QPainter painter(this);
    painter.drawImage(event->rect(), m_surface.Image(), event->rect());
}

void CStretchView::Tick()
{
    m_player->TickOn(&m_surface);
}

QImage CStretchView::Snapshot()
{
    std::lock_guard lock(m_app->DrawLock());
    return m_surface.Image().copy();
}

void CStretchView::PassMouse(QMouseEvent* event)
{
    if (m_player)
        m_player->SetMouse(MouseFlags(event->buttons(), event->modifiers()), int(event->position().x()),
                           int(event->position().y()));
}

void CStretchView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        PassMouse(event);
    QWidget::mousePressEvent(event);
}

void CStretchView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        PassMouse(event);
    QWidget::mouseReleaseEvent(event);
}

void CStretchView::mouseMoveEvent(QMouseEvent* event)
{
    // Moves reach the topic only while the viewer is in front.
    if (window()->isActiveWindow())
        PassMouse(event);
    QWidget::mouseMoveEvent(event);
}

void CStretchView::OnFilePrint()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Ovantis"));
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    PrintTo(&printer);
}

bool CStretchView::PrintTo(QPagedPaintDevice* device)
{
    QPainter painter(device);
    if (!painter.isActive())
        return false;
    CPrinterDC page(&painter, QSize(ViewerIds::kViewWidth, ViewerIds::kViewHeight));
    std::lock_guard lock(m_app->DrawLock());
    // The page is the topic's first frame. A new player draws nothing
    // before its scripts have run: its first tick starts them and the next
    // one, a tick later on the player's own clock, draws. Painted at once,
    // the page would come out blank.
    uint32_t now = CDrawPC::SystemTicks();
    m_printPlayer = std::make_unique<CTopicPlayer>(uint16_t(m_currentTopic), &page, &m_controlsRegion,
                                                   [&now] { return now; });
    bool printed = false;
    if (m_printPlayer->Open()) {
        for (int tick = 0; tick < kPrintTicks; ++tick) {
            m_printPlayer->Tick();
            now += ViewerIds::kTickMs;
        }
        m_printPlayer->Paint(&page);
        printed = true;
    }
    m_printPlayer.reset();
    return printed;
}
