#include "CMainFrame.h"

#include "BusNames.h"
#include "CBusBroadcast.h"
#include "CBusWindow.h"
#include "CClockChangeWatch.h"
#include "CContentCatalog.h"
#include "CNtfyDialog.h"
#include "CScreenSaverWatch.h"
#include "CStchIcon.h"
#include "CStchPrefsDlg.h"
#include "CSettingsStore.h"
#include "ControllerLog.h"
#include "MessageCodes.h"
#include "NotificationSound.h"
#include "OvantisHook.h"
#include "SessionBus.h"
#include "SettingsTable.h"
#include "SystemClock.h"
#include "SystemSession.h"

#include <QApplication>
#include <QDBusServiceWatcher>
#include <QMessageBox>
#include <QScopeGuard>

namespace {

const QString kControllerClass = QStringLiteral("OvantisCtrlClass");
const QString kViewerClass = QStringLiteral("OvantisAppClass");

enum HotKeyModifier { kShift = 1, kCtrl = 2, kAlt = 4 };

} // namespace

CMainFrame::CMainFrame(CSettingsStore& store, CContentCatalog& catalog, QObject* parent)
    : QObject(parent), m_store(store), m_catalog(catalog), m_scheduler(*this, store)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kTimerMs);
    connect(&m_timer, &QTimer::timeout, this, &CMainFrame::OnTimer);
    m_wakeTimer.setTimerType(Qt::PreciseTimer);
    m_wakeTimer.setSingleShot(true);
    connect(&m_wakeTimer, &QTimer::timeout, this, [this] {
        m_timer.start();
        OnTimer();
    });
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::Create()
{
    QDBusConnection bus = SessionBus::Connection();
    CBusWindow::Handlers handlers;
    handlers.isActive = [] { return QApplication::activeWindow() != nullptr; };
    handlers.activate = [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            dialog->raise();
            dialog->activateWindow();
        }
    };
    handlers.quit = [] { QCoreApplication::exit(0); };
    handlers.command = [this](uint id) { OnCommand(int(id)); };
    m_busWindow = new CBusWindow(kControllerClass, std::move(handlers), bus, this);
    if (bus.isConnected() && !m_busWindow->Register())
        return false;

    m_broadcast = new CBusBroadcast(bus, this);
    if (bus.isConnected() && !m_broadcast->Listen(CBusBroadcast::ToCtrl))
        return false;
    connect(m_broadcast, &CBusBroadcast::Received, this,
            [this](CBusBroadcast::Message message, uint wParam, int lParam) { OnBroadcast(message, wParam, lParam); });

    m_screenSaver = new CScreenSaverWatch(bus, this);
    if (bus.isConnected()) {
        const QString viewer = SessionBus::ServiceName(kViewerClass);
        auto* watcher = new QDBusServiceWatcher(viewer, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] { m_viewerExists = true; });
        connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
            m_viewerExists = m_viewerFront = false;
        });
        m_viewerExists = SessionBus::HasWindow(kViewerClass);
    }

    // A clock set while the timer sleeps may bring a clock mark nearer: the
    // step that a plain timer would make at once happens at once.
    connect(new CClockChangeWatch(this), &CClockChangeWatch::Changed, this, [this] {
        if (!m_timer.isActive())
            SleepUntilTick(SystemClock::BootMilliseconds() + 1);
    });

    CStchIcon::Handlers tray;
    tray.isEnabled = [this](int id) { return m_scheduler.IsCommandEnabled(id); };
    tray.command = [this](int id) { OnCommand(id); };
    tray.launch = [this] {
        m_scheduler.OnTrayDoubleClick();
        Reschedule();
    };
    m_icon = std::make_unique<CStchIcon>(m_catalog, std::move(tray));
    m_icon->NormalIcon();

    ArmHotKey();
    m_tickPhaseMs = SystemClock::BootMilliseconds() % kTimerMs;
    m_timer.start();
    return true;
}

void CMainFrame::ArmHotKey()
{
    if (!m_store.ReadInt(Settings::kHotKeyEnable, SettingReader::Controller))
        return;
    const int keycode = m_store.ReadInt(Settings::kHotKeyKeycode, SettingReader::Controller) & 0xFFFF;
    const int modifiers = m_store.ReadInt(Settings::kHotKeyModifiers, SettingReader::Controller) & 0xFFFF;
    EnableHotKey(1);
    SetHotKey(modifiers & kAlt, modifiers & kCtrl, modifiers & kShift, keycode);
}

int CMainFrame::RunModal(const std::function<int()>& modal)
{
    // A timer does not fire again while its own timeout runs: a modal loop
    // that starts inside a tick gets its ticks from a second timer.
    if (m_tickDepth == 0)
        return modal();
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.setInterval(kTimerMs);
    connect(&ticks, &QTimer::timeout, this, &CMainFrame::OnTimer);
    ticks.start();
    return modal();
}

void CMainFrame::OnTimer()
{
    ++m_tickDepth;
    const auto leave = qScopeGuard([this] { --m_tickDepth; });
    if (m_icon)
        m_icon->Tick(m_scheduler.IsFlashing());
    if (m_dialog && m_scheduler.DialogCloseRequested())
        m_dialog->Cancel();
    m_scheduler.Step();
    Reschedule();
}

void CMainFrame::Reschedule()
{
    if (!m_sleeping)
        return;
    const int64_t wake = m_scheduler.NextWakeTime();
    const int64_t nowMs = SystemClock::BootMilliseconds();
    // A flashed frame still shown goes back to the normal icon on the next tick.
    const bool iconToRestore = m_icon && m_icon->ShownIcon() != CStchIcon::kNormalIcon;
    if (iconToRestore || wake * 1000 <= nowMs + kTimerMs) {
        m_wakeTimer.stop();
        if (!m_timer.isActive())
            m_timer.start();
        return;
    }
    SleepUntilTick(wake * 1000);
}

void CMainFrame::SleepUntilTick(int64_t atLeastMs)
{
    // The first tick of the plain timer's grid from atLeastMs on: the step
    // then happens exactly when a plain timer would have made it.
    const int64_t target = atLeastMs + ((m_tickPhaseMs - atLeastMs) % kTimerMs + kTimerMs) % kTimerMs;
    m_timer.stop();
    const int64_t delay = target - SystemClock::BootMilliseconds();
    m_wakeTimer.start(int(std::clamp<int64_t>(delay, 0, kMaxSleepMs)));
}

void CMainFrame::OnCommand(int id)
{
    qCInfo(lcController) << "command" << id;
    m_scheduler.OnCommand(id);
    Reschedule();
}

void CMainFrame::OnBroadcast(int message, uint wParam, int lParam)
{
    if (message != CBusBroadcast::ToCtrl)
        return;
    switch (wParam) {
    case MessageCodes::kViewerActivated:
        m_viewerFront = true;
        break;
    case MessageCodes::kViewerDeactivated:
    case MessageCodes::kViewerClosing:
        m_viewerFront = false;
        break;
    default:
        break;
    }
    qCInfo(lcController) << "code" << wParam << lParam;
    m_scheduler.OnCtrlMessage(wParam, lParam);
    qCInfo(lcController) << "preferences open" << m_scheduler.IsPreferencesOpen();
    Reschedule();
}

int64_t CMainFrame::Now() { return SystemClock::BootSeconds(); }
int64_t CMainFrame::LocalTime() { return SystemClock::LocalSeconds(); }
int CMainFrame::GetKeyClicks() { return ::GetKeyClicks(); }
int CMainFrame::GetMouseClicks() { return ::GetMouseClicks(); }
void CMainFrame::SetKeyCount(int count) { ::SetKeyCount(count); }
void CMainFrame::SetMouseCount(int count) { ::SetMouseCount(count); }
int64_t CMainFrame::GetLastKeystrokeTime() { return ::GetLastKeystrokeTime(); }
int64_t CMainFrame::GetLastMouseTime() { return ::GetLastMouseTime(); }
bool CMainFrame::ScreenSaverActive() { return m_screenSaver && m_screenSaver->IsActive(); }

void CMainFrame::PlayNotificationSound()
{
    const NotificationSettings& n = m_scheduler.Notification();
    NotificationSoundSettings sound;
    sound.soundOn = n.soundOn;
    sound.displayName = n.sound.toStdString();
    sound.soundPath = n.soundPath.toStdString();
    sound.volume = n.soundVolume;
    sound.useSystemVolume = n.useSystemVolume;
    qCInfo(lcController) << "notification sound";
    NotificationSound::Play(sound);
}

void CMainFrame::FlashingChanged(bool on) { qCInfo(lcController) << "flashing" << on; }

void CMainFrame::ShowNormalIcon()
{
    if (m_icon)
        m_icon->NormalIcon();
}

void CMainFrame::Beep() { QApplication::beep(); }

int CMainFrame::ShowReminderDialog()
{
    CNtfyDialog dialog;
    m_dialog = &dialog;
    qCInfo(lcController) << "reminder dialog shown";
    const int choice = RunModal([&] { return dialog.Run(); });
    qCInfo(lcController) << "reminder dialog returned" << choice;
    return choice;
}

void CMainFrame::ShowPreferences()
{
    CStchPrefsDlg sheet(m_store, PrefsServices::System());
    qCInfo(lcController) << "preferences sheet shown";
    RunModal([&] { return sheet.exec(); });
    qCInfo(lcController) << "preferences sheet closed";
}

bool CMainFrame::StartViewer(int topic)
{
    const bool started = SystemSession::StartDetached(m_viewerPath, {});
    qCInfo(lcController) << "launch" << topic << (started ? "started" : "failed");
    if (!started) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Ovantis"),
                        QStringLiteral("The Ovantis application cannot be found.  If you have recently uninstalled, "
                                       "you must restart your computer to complete the uninstall.  Otherwise, you "
                                       "must reinstall the Ovantis application.\nDo you wish to restart now?"),
                        QMessageBox::Yes | QMessageBox::No);
        if (RunModal([&] { return box.exec(); }) == QMessageBox::Yes) {
            if (!SystemSession::RequestRestart())
                qCWarning(lcController) << "the restart could not be asked for: no system bus";
        } else {
            QCoreApplication::exit(0);
        }
    }
    if (m_broadcast)
        m_broadcast->Post(CBusBroadcast::ToApp, MessageCodes::kShowTopic, topic);
    return started;
}

void CMainFrame::HotKeyLoaded(const HotKeySettings& hotKey)
{
    if (m_broadcast)
        m_broadcast->Post(CBusBroadcast::ToDrvr, 0, int(uint32_t(hotKey.keycode) | (uint32_t(hotKey.modifiers) << 16)));
}

bool CMainFrame::CanBuildTrayMenu()
{
    std::vector<CContentCatalog::MenuItem> items;
    m_catalog.ScanStretches();
    return m_catalog.StretchMenuItems(&items);
}
