#include "CMainFrame.h"

#include "AppResources.h"
#include "BusNames.h"
#include "CAboutDlg.h"
#include "CBusBroadcast.h"
#include "CBusWindow.h"
#include "CContentCatalog.h"
#include "CStretchApp.h"
#include "CStretchView.h"
#include "ContentModule.h"
#include "HelpTarget.h"
#include "MessageCodes.h"
#include "StrList.h"
#include "ViewerIds.h"
#include "Windows1252.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace {
// The longest a new window waits for the window manager's frame before its
// place is checked.
constexpr int kPlaceDelayMs = 300;
// A press this close to an activation caused it.
constexpr qint64 kClickActivationMs = 400;

QString MenuText(int id)
{
    return AppResources::String(id);
}

bool SameText(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The top-level menus with their texts, from the last to the first.
QList<std::pair<QString, QMenu*>> MenusLastFirst(const QMenuBar* bar)
{
    QList<std::pair<QString, QMenu*>> menus;
    const QList<QAction*> top = bar->actions();
    for (qsizetype i = top.size() - 1; i >= 0; --i) {
        if (QMenu* menu = top[i]->menu())
            menus.append({top[i]->text(), menu});
    }
    return menus;
}

QAction* FindAction(const QMenu* menu, int commandId)
{
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator() && action->data().toInt() == commandId)
            return action;
    }
    return nullptr;
}
} // namespace

CMainFrame::CMainFrame(CStretchApp* app)
    : QMainWindow(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                               | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , m_app(app)
{
    setWindowTitle(MenuText(ViewerIds::kStrOvantis));
    setWindowIcon(AppResources::Icon(ViewerIds::kIconApp));
    setAttribute(Qt::WA_DeleteOnClose, false);
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(this);
}

QPoint CMainFrame::InitialPosition(int lastX, int lastY, const QSize& window, const QSize& screen)
{
    // 64-bit sums: a stored value near INT_MAX must not wrap into range.
    if (lastX < 0 || lastY < 0 || qint64(lastX) + window.width() > screen.width()
        || qint64(lastY) + window.height() > screen.height())
        return {(screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2};
    return {lastX, lastY};
}

bool CMainFrame::Create()
{
    BuildMenus();
    m_view = new CStretchView(m_app, this);
    setCentralWidget(m_view);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->geometry().size() : QSize(ViewerIds::kWindowWidth, ViewerIds::kWindowHeight);
    // The position is the outer top-left, the window manager's decoration
    // included: asked for with the window's own size, the window manager
    // puts the decoration's corner there (north-west gravity).
    adjustSize();
    m_intendedPosition = InitialPosition(m_app->LastWindowX(), m_app->LastWindowY(),
                                         QSize(ViewerIds::kWindowWidth, ViewerIds::kWindowHeight), screenSize);
    setGeometry(QRect(m_intendedPosition, size()));

    // Ctrl+P prints; there is no menu item for it.
    auto* print = new QShortcut(QKeySequence::Print, this);
    connect(print, &QShortcut::activated, this, [this] { OnCommand(ViewerIds::kFilePrint); });

    qApp->installEventFilter(this);

    const QString viewerClass = QString::fromLatin1(BusNames::kViewerClass);
    m_busWindow = std::make_unique<CBusWindow>(
        viewerClass,
        CBusWindow::Handlers{[] { return QApplication::activeWindow() != nullptr; }, [this] { BringForward(); },
                             [] { QCoreApplication::exit(0); }, [this](uint id) { OnCommand(int(id)); }});
    m_broadcast = std::make_unique<CBusBroadcast>();
    connect(m_broadcast.get(), &CBusBroadcast::Received, this,
            [this](CBusBroadcast::Message m, uint w, int l) { OnBroadcast(m, w, l); });
    // Without a bus the viewer still works on its own (SessionBus said so).
    if (m_busWindow->Register()) {
        m_broadcast->Listen(CBusBroadcast::ToCtrl);
        m_broadcast->Listen(CBusBroadcast::ToApp);
    }
    PostToController(MessageCodes::kViewerCreated);
    return true;
}

void CMainFrame::BuildMenus()
{
    QMenuBar* bar = menuBar();
    bar->installEventFilter(this);
    auto add = [this](QMenu* menu, const QString& text, int id) {
        QAction* action = menu->addAction(text);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        return action;
    };
    add(bar->addMenu(QStringLiteral("&File")), QStringLiteral("E&xit"), ViewerIds::kAppExit);
    add(bar->addMenu(QStringLiteral("&Edit")), QStringLiteral("&Preferences"), ViewerIds::kPreferences);
    add(bar->addMenu(MenuText(ViewerIds::kStrStretchesMenu)), QStringLiteral("(empty)"), 32771);
    add(bar->addMenu(MenuText(ViewerIds::kStrTopicsMenu)), QStringLiteral("(empty)"), 32772);
    add(bar->addMenu(MenuText(ViewerIds::kStrHelpMenu)), QStringLiteral("&About Ovantis..."), ViewerIds::kAbout);
}

bool CMainFrame::FillTopicMenus(CContentCatalog* catalog)
{
    for (const auto& [text, menu] : MenusLastFirst(menuBar())) {
        std::vector<CContentCatalog::MenuItem> items;
        bool filled;
        if (SameText(text, MenuText(ViewerIds::kStrStretchesMenu))) {
            if (!menu->actions().isEmpty())
                menu->removeAction(menu->actions().first());
            catalog->ScanStretches();
            filled = catalog->StretchMenuItems(&items);
        } else if (SameText(text, MenuText(ViewerIds::kStrTopicsMenu))) {
            if (!menu->actions().isEmpty())
                menu->removeAction(menu->actions().first());
            catalog->ScanTopics();
            filled = catalog->TopicMenuItems(&items);
        } else if (SameText(text, MenuText(ViewerIds::kStrHelpMenu))) {
            filled = catalog->HelpMenuItems(&items);
        } else {
            continue;
        }
        if (!filled)
            return false;
        for (const CContentCatalog::MenuItem& item : items) {
            if (item.separator) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(FromWindows1252(item.text));
            const int id = item.commandId;
            action->setData(id);
            if (id < ViewerIds::kFirstHelpCommand)
                action->setCheckable(true);
            connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        }
    }
    return true;
}

QMenu* CMainFrame::FindTopicMenu(int commandId) const
{
    for (const auto& [text, menu] : MenusLastFirst(menuBar())) {
        if ((SameText(text, MenuText(ViewerIds::kStrStretchesMenu)) || SameText(text, MenuText(ViewerIds::kStrTopicsMenu)))
            && FindAction(menu, commandId))
            return menu;
    }
    return nullptr;
}

QAction* CMainFrame::FindTopicItem(int commandId) const
{
    for (int id = commandId; id >= ViewerIds::kCommandOffset; --id) {
        if (QMenu* menu = FindTopicMenu(id))
            return FindAction(menu, id);
    }
    return nullptr;
}

bool CMainFrame::CheckTopicItem(int commandId, bool checked)
{
    QAction* action = FindTopicItem(commandId);
    if (!action)
        return false;
    action->setChecked(checked);
    return true;
}

void CMainFrame::SetTitleFor(int topicId)
{
    std::string name;
    const uint16_t list = topicId < ViewerIds::kFirstReading ? kStretchTitleList : kTopicTitleList;
    // A negative id has no entry; the remainder alone would be negative.
    if (topicId < 0 || !GetStrListEntry(list, topicId % 100, &name))
        return;
    const QString shown = FromWindows1252(name);
    setWindowTitle(MenuText(ViewerIds::kStrOvantis) + QStringLiteral(" - ") + shown);
    if (m_view)
        m_view->setAccessibleName(shown);
}

void CMainFrame::OnCommand(int id)
{
    using namespace ViewerIds;
    if (id >= kFirstTopicCommand && id <= kLastTopicCommand) {
        m_view->SelectTopic(id);
        return;
    }
    if (id >= kFirstHelpCommand && id <= kLastHelpCommand) {
        OnHelp(id - kFirstHelpCommand);
        return;
    }
    switch (id) {
    case kAppExit:
        close();
        break;
    case kPreferences:
        m_app->OnPreferences();
        break;
    case kAbout:
        CAboutDlg::Run(m_app, this);
        break;
    case kFilePrint:
        m_view->OnFilePrint();
        break;
    case kNext:
    case kPrev:
    case kExitButton:
        m_view->OnCommand(id);
        break;
    default:
        break;
    }
}

void CMainFrame::OnHelp(int item)
{
    const std::shared_ptr<const ContentModule> module = ContentLibrary::Get();
    const QString moduleDir = module ? QFileInfo(QString::fromStdString(module->Path())).absolutePath() : QString();
    OpenHelpTarget(this, FromWindows1252(m_app->Catalog().GetHelpTarget(item)), {moduleDir, InstalledDocDir()});
}

void CMainFrame::PostToController(unsigned code)
{
    if (m_broadcast)
        m_broadcast->Post(CBusBroadcast::ToCtrl, code);
}

void CMainFrame::OnBroadcast(int message, uint wParam, int lParam)
{
    // Our own "OvantisToCtrlMsg" comes back too; it is not for us.
    if (message != CBusBroadcast::ToApp)
        return;
    if (wParam == MessageCodes::kShowTopic)
        m_view->SelectTopic(int(uint(lParam) & 0xFFFF) + ViewerIds::kCommandOffset);
    else if (wParam == MessageCodes::kPreferences)
        m_app->OnPreferences();
}

void CMainFrame::BringForward()
{
    if (isMinimized())
        showNormal();
    QWidget* front = QApplication::activeModalWidget();
    if (!front)
        front = this;
    front->show();
    front->raise();
    front->activateWindow();
}

void CMainFrame::NoteMousePress()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (m_activatedAtMs >= 0 && now - m_activatedAtMs <= kClickActivationMs) {
        // The press that activated us came after the activation.
        m_activatedAtMs = -1;
        if (ViewerIds::IsStretch(m_view->CurrentTopic()))
            PostToController(MessageCodes::kViewerClicked);
        return;
    }
    m_pressPending = true;
    m_activatedAtMs = -1;
    QMetaObject::invokeMethod(this, [this] { m_pressPending = false; }, Qt::QueuedConnection);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
        QWidget* widget = static_cast<QWidget*>(watched);
        if (widget == menuBar() || widget == m_view)
            NoteMousePress();
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    const bool active = isActiveWindow();
    if (active == m_wasActive)
        return;
    m_wasActive = active;
    if (active)
        PlaceOnce();
    if (!m_view || !ViewerIds::IsStretch(m_view->CurrentTopic()))
        return;
    if (!active) {
        m_activatedAtMs = -1;
        PostToController(MessageCodes::kViewerDeactivated);
        return;
    }
    PostToController(MessageCodes::kViewerActivated);
    if (m_pressPending) {
        m_pressPending = false;
        PostToController(MessageCodes::kViewerClicked);
    } else {
        m_activatedAtMs = QDateTime::currentMSecsSinceEpoch();
    }
}

QPoint CMainFrame::OuterPosition() const
{
    // What Qt knows of the decoration differs with its timing, so the
    // window's own geometry is only compared with itself: the outer corner
    // is where it was put, moved as far as the window moved since.
    if (!m_placed)
        return m_intendedPosition;
    return m_intendedPosition + (geometry().topLeft() - m_placedGeometry);
}

void CMainFrame::PlaceOnce()
{
    if (m_placed || !isVisible())
        return;
    m_placed = true;
    m_placedGeometry = geometry().topLeft();
}

void CMainFrame::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Once the window manager has framed and placed the window (it activates
    // it, or at the latest a moment later).
    QTimer::singleShot(kPlaceDelayMs, this, [this] { PlaceOnce(); });
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // An iconified window keeps its place, so this is the restored position.
    const QPoint position = OuterPosition();
    m_app->SetLastWindowPosition(position.x(), position.y());
    PostToController(MessageCodes::kViewerClosing);
    // The process ends soon: see that the code has left before it does.
    if (m_broadcast)
        m_broadcast->Flush();
    event->accept();
    QCoreApplication::quit();
}
