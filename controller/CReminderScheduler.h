#pragma once
#include "CContentCatalog.h"
#include "ControllerSettings.h"

#include <array>
#include <cstdint>

class CSettingsStore;

/// Everything the scheduler reads or does outside itself. The controller's
/// main frame implements it over the hook library, the session bus and its
/// widgets; the simulator over a timeline. Each call returns at once, except
/// the modal ones named below, and none of the reads asks another process:
/// the window and screen-saver states are kept current as they change.
class ISchedulerHost {
public:
    virtual ~ISchedulerHost() = default;

    /// Whole seconds of the monotonic clock the hook library also uses.
    virtual int64_t Now() = 0;
    /// Seconds since 1970-01-01 00:00 of the local wall clock.
    virtual int64_t LocalTime() = 0;

    virtual int GetKeyClicks() = 0;
    virtual int GetMouseClicks() = 0;
    virtual void SetKeyCount(int count) = 0;
    virtual void SetMouseCount(int count) = 0;
    virtual int64_t GetLastKeystrokeTime() = 0;
    virtual int64_t GetLastMouseTime() = 0;

    /// A viewer main window exists.
    virtual bool ViewerExists() = 0;
    /// The viewer's main window is the active window.
    virtual bool ViewerInFront() = 0;
    /// A screen saver is in front.
    virtual bool ScreenSaverActive() = 0;

    /// The notification sound, asked for with "Notification Sound ON" set.
    virtual void PlayNotificationSound() = 0;
    /// Called only when flashing changes.
    virtual void FlashingChanged(bool on) = 0;
    /// The tray icon shows its normal frame.
    virtual void ShowNormalIcon() = 0;
    virtual void Beep() = 0;
    /// Shows the reminder dialog modally; returns the checked choice
    /// (1001-1005), or 2 when it closed itself or was closed.
    virtual int ShowReminderDialog() = 0;
    /// Asks an open reminder dialog to close (the timer tick passes this on).
    virtual void RequestDialogClose() = 0;
    /// Shows the Preferences sheet modally.
    virtual void ShowPreferences() = 0;
    /// Starts the viewer and tells it to show the topic (the settings are
    /// already written). False when the viewer could not be started.
    virtual bool StartViewer(int topic) = 0;
    /// The hot key settings were (re)loaded.
    virtual void HotKeyLoaded(const HotKeySettings& hotKey) = 0;
    /// The tray menu can be built (a double-click does nothing otherwise).
    virtual bool CanBuildTrayMenu() = 0;
};

/// Decides when it is time to stretch and what follows. It owns no timer:
/// the main frame calls Step() on every 100 ms tick and after every message
/// or command. A step allocates nothing and reads no file; only a reminder,
/// a launch or a settings reload go further.
class CReminderScheduler {
public:
    static constexpr int kFirstTopicCommand = 1200;
    static constexpr int kLastTopicCommand = 1399;
    static constexpr int kTopicCommandOffset = 1000;
    static constexpr int kStretchNow = 1500;
    static constexpr int kDontStretchNow = 1501;
    static constexpr int kDelay5 = 1502;
    static constexpr int kDelay10 = 1503;
    static constexpr int kDelay15 = 1504;
    static constexpr int kPreferences = 1514;
    static constexpr int kFirstTrayCommand = 1500;
    static constexpr int kLastTrayCommand = 1599;
    /// Reminder dialog results.
    static constexpr int kChoiceStretchNow = 1001;
    static constexpr int kChoiceDontStretch = 1002;
    static constexpr int kChoiceDelay5 = 1003;
    static constexpr int kChoiceDelay15 = 1005;
    /// The topic shown when no usable sequence exists: the first reading topic.
    static constexpr int kFallbackTopic = 300;
    static constexpr int64_t kIdleResetSeconds = 8 * 3600;

    /// "OvantisToCtrlMsg" codes.
    enum CtrlCode {
        kViewerCreated = 5,
        kViewerActivated = 6,
        kViewerDeactivated = 7,
        kViewerClosing = 8,
        kPrefsOpened = 12,
        kPrefsClosed = 13,
        kSettingsApplied = 14,
        kAddKeystrokes = 21,
        kAddClicks = 22,
    };

    CReminderScheduler(ISchedulerHost& host, CSettingsStore& store);

    /// The application object is built: start time, restart, counters zeroed.
    void Construct();
    /// Reads the activation, notification, sequence and hot key settings.
    void LoadSettings();

    /// One scheduler step.
    void Step();
    /// A main-frame command: 1200-1399 launch a topic, 1500-1599 the tray
    /// commands. A command disabled at this moment does nothing.
    void OnCommand(int id);
    /// Whether the tray menu offers this command now.
    bool IsCommandEnabled(int id) const;
    /// "OvantisToCtrlMsg"; ends with a step.
    void OnCtrlMessage(uint32_t code, int32_t lParam);
    /// A double-click on the tray icon.
    void OnTrayDoubleClick();
    /// The timer tick, before the step: passes a close request on.
    bool DialogCloseRequested() const { return m_dialogShown && m_dialogCloseRequest; }

    /// Launches the viewer on topic t (command t + 1000).
    void LaunchTopic(int topic);
    /// The topic to show next from the user's sequence; steps "Sequence Index".
    int NextRoutine();
    /// Stores the content library's default sequence (or an empty one).
    void ApplyDefaultSequence();

    /// The earliest second at which a step can do something observable,
    /// given that nothing reaches the controller before it; Now() when the
    /// controller has to step on every tick.
    int64_t NextWakeTime();

    bool IsFlashing() const { return m_flashing; }
    bool IsReminderPending() const { return m_reminderPending; }
    bool IsPreferencesOpen() const { return m_preferencesOpen; }
    int CurrentTopic() const { return m_currentTopic; }
    void SetCurrentTopic(int topic) { m_currentTopic = topic; }
    const ActivationSettings& Activation() const { return m_activation; }
    const NotificationSettings& Notification() const { return m_notification; }
    const HotKeySettings& HotKey() const { return m_hotKey; }

    /// Seconds the notification flashes after the user came back, by
    /// "Notification Flash Interval" (0: until a reset).
    static int64_t FlashSeconds(int flashInterval);
    static int64_t IntervalSeconds(int intervalIndex);
    struct Limits {
        int keys;
        int clicks;
    };
    static Limits CountLimits(const ActivationSettings& activation);

private:
    void Restart(int64_t now, int64_t local, bool keepDelay);
    void Reset(int64_t now, int64_t local, bool keepDelay = false);
    void Remind(int64_t now, int64_t local);
    void OfferDialog(int64_t now);
    void Defer(int64_t now, int64_t seconds);
    void Delay(int64_t now, int64_t local, int64_t seconds);
    void DueTest(int64_t now, int64_t local);
    void FlashStop(int64_t now);
    bool LaunchNext();
    void PlaySoundIfOn();
    void SetFlashing(bool on);
    void AdvanceNextQuarter(int64_t local);
    int64_t LastActivity();
    void ZeroCounters();

    ISchedulerHost& m_host;
    CSettingsStore& m_store;
    ActivationSettings m_activation;
    NotificationSettings m_notification;
    SequenceSettings m_sequence;
    HotKeySettings m_hotKey;
    CStretchRoutines m_routines;

    int64_t m_startTime = 0;
    int64_t m_cycleStart = 0;
    int64_t m_nextQuarter = 0;
    int64_t m_lastReminder = 0;
    bool m_delayActive = false;
    int64_t m_delayDeadline = 0;
    int64_t m_dialogRetry = 0;
    int m_flashState = 0;
    int64_t m_flashActivityTime = 0;
    bool m_launchBusy = false;

    bool m_launchRequest = false;
    bool m_flashing = false;
    bool m_reminderPending = false;
    bool m_viewerWatch = false;
    bool m_preferencesOpen = false;
    bool m_trayLaunchRequest = false;
    bool m_dialogShown = false;
    bool m_dialogCloseRequest = false;
    bool m_dialogDeferred = false;

    int64_t m_lastStepNow = 0;
    int64_t m_lastStepLocal = 0;

    int m_openPreferences = 0; ///< Preferences sheets open in either program
    int m_currentTopic = 0;
};
