#pragma once
#include "CReminderScheduler.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

class CBusBroadcast;
class CBusWindow;
class CContentCatalog;
class CNtfyDialog;
class CStchIcon;
class CScreenSaverWatch;
class CSettingsStore;

/// The controller's hidden main frame: no window of its own; it owns the
/// controller's name on the session bus, receives the broadcasts, runs the
/// scheduler on its 100 ms timer and carries out what the scheduler asks.
class CMainFrame : public QObject, public ISchedulerHost {
    Q_OBJECT

public:
    static constexpr int kTimerMs = 100;
    /// The longest sleep in one go; the wake-up then looks again.
    static constexpr int64_t kMaxSleepMs = 3600 * 1000;

    CMainFrame(CSettingsStore& store, CContentCatalog& catalog, QObject* parent = nullptr);
    ~CMainFrame() override;

    /// Takes the bus name, listens to the broadcasts, arms the hot key and
    /// starts the timer. False when another controller holds the name.
    bool Create();

    CReminderScheduler& Scheduler() { return m_scheduler; }
    void SetViewerPath(const QString& path) { m_viewerPath = path; }
    /// A main-frame command (menus, the bus, the hot key).
    void OnCommand(int id);
    /// With sleeping on, the timer sleeps while the scheduler knows that
    /// nothing can happen (the actions still land on the same tick).
    void SetSleeping(bool sleeping) { m_sleeping = sleeping; }

    // ISchedulerHost
    int64_t Now() override;
    int64_t LocalTime() override;
    int GetKeyClicks() override;
    int GetMouseClicks() override;
    void SetKeyCount(int count) override;
    void SetMouseCount(int count) override;
    int64_t GetLastKeystrokeTime() override;
    int64_t GetLastMouseTime() override;
    bool ViewerExists() override { return m_viewerExists; }
    bool ViewerInFront() override { return m_viewerExists && m_viewerFront; }
    bool ScreenSaverActive() override;
    void PlayNotificationSound() override;
    void FlashingChanged(bool on) override;
    void ShowNormalIcon() override;
    void Beep() override;
    int ShowReminderDialog() override;
    void RequestDialogClose() override {}
    void ShowPreferences() override;
    bool StartViewer(int topic) override;
    void HotKeyLoaded(const HotKeySettings& hotKey) override;
    bool CanBuildTrayMenu() override;

private:
    void OnTimer();
    /// Runs a modal loop with the timer's ticks going on inside it.
    int RunModal(const std::function<int()>& modal);
    void OnBroadcast(int message, uint wParam, int lParam);
    void ArmHotKey();
    void Reschedule();
    void SleepUntilTick(int64_t atLeastMs);

    CSettingsStore& m_store;
    CContentCatalog& m_catalog;
    CReminderScheduler m_scheduler;
    CBusWindow* m_busWindow = nullptr;
    CBusBroadcast* m_broadcast = nullptr;
    CScreenSaverWatch* m_screenSaver = nullptr;
    std::unique_ptr<CStchIcon> m_icon;
    QPointer<CNtfyDialog> m_dialog;
    QTimer m_timer;
    QTimer m_wakeTimer;
    int64_t m_tickPhaseMs = 0;
    int m_tickDepth = 0; ///< ticks running, nested in modal loops
    bool m_sleeping = true;
    QString m_viewerPath;
    bool m_viewerExists = false;
    bool m_viewerFront = false;
};
