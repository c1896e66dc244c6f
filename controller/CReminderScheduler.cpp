#include "CReminderScheduler.h"

#include "CContentResource.h"
#include "CSettingsStore.h"
#include "SettingsTable.h"
#include "formats/SequenceFormat.h"
#include "formats/TriggerFormat.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::array<int64_t, 13> kIntervalSeconds = {60,   120,  300,  600,  900,   1200, 1800,
                                                      2700, 3600, 5400, 7200, 10800, 14400};
constexpr int kDefaultIntervalIndex = 10;

constexpr std::array<CReminderScheduler::Limits, 4> kPresetLimits = {{{8000, 200}, {1000, 600}, {3000, 350}, {1500, 75}}};
constexpr int kCustomPreset = 4;

// "Notification Flash Interval" 0-7: 1, 2, 3, 4, 5, 10, 15 minutes, and
// "Indefinitely", which only a reset ends.
constexpr std::array<int64_t, 8> kFlashSeconds = {60, 120, 180, 240, 300, 600, 900, 0};
constexpr int kDefaultFlashInterval = 4;

constexpr int64_t kQuarterSeconds = 900;
constexpr int64_t kHalfDaySeconds = 43200;
constexpr int64_t kDialogTypingPause = 2;
constexpr int64_t kScreenSaverRetry = 1;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
int64_t NonNegativeMod(int64_t a, int64_t b) { return ((a % b) + b) % b; }

// Adds without the overflow a message's argument could cause.
int WrappingAdd(int a, int b) { return static_cast<int>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }

bool HasClockMark(const std::array<uint8_t, 6>& clock, int64_t boundary)
{
    const int64_t quarter = NonNegativeMod(boundary, kHalfDaySeconds) / kQuarterSeconds; // 0..47
    return (clock[size_t(quarter / 8)] & (0x80 >> (quarter % 8))) != 0;
}

} // namespace

CReminderScheduler::CReminderScheduler(ISchedulerHost& host, CSettingsStore& store)
    : m_host(host), m_store(store)
{
}

int64_t CReminderScheduler::IntervalSeconds(int intervalIndex)
{
    if (intervalIndex < 0 || size_t(intervalIndex) >= kIntervalSeconds.size())
        intervalIndex = kDefaultIntervalIndex;
    return kIntervalSeconds[size_t(intervalIndex)];
}

int64_t CReminderScheduler::FlashSeconds(int flashInterval)
{
    if (flashInterval < 0 || size_t(flashInterval) >= kFlashSeconds.size())
        flashInterval = kDefaultFlashInterval;
    return kFlashSeconds[size_t(flashInterval)];
}

CReminderScheduler::Limits CReminderScheduler::CountLimits(const ActivationSettings& activation)
{
    const int preset = activation.keysAndMicePreset;
    if (preset == kCustomPreset)
        return {activation.customKeys, activation.customMice};
    if (preset < 0 || size_t(preset) >= kPresetLimits.size())
        return kPresetLimits[0];
    return kPresetLimits[size_t(preset)];
}

void CReminderScheduler::Construct()
{
    const int64_t now = m_host.Now();
    m_startTime = now;
    Restart(now, m_host.LocalTime(), false);
    ZeroCounters();
    m_lastStepNow = now;
    m_lastStepLocal = m_host.LocalTime();
}

void CReminderScheduler::LoadSettings()
{
    m_activation = ControllerSettings::LoadActivation(m_store);
    m_notification = ControllerSettings::LoadNotification(m_store);
    m_sequence = ControllerSettings::LoadSequence(m_store);
    m_hotKey = ControllerSettings::LoadHotKey(m_store);
    m_host.HotKeyLoaded(m_hotKey);
}

void CReminderScheduler::ZeroCounters()
{
    m_host.SetKeyCount(0);
    m_host.SetMouseCount(0);
}

int64_t CReminderScheduler::LastActivity()
{
    return std::max({m_startTime, m_host.GetLastMouseTime(), m_host.GetLastKeystrokeTime()});
}

void CReminderScheduler::AdvanceNextQuarter(int64_t local)
{
    if (local >= m_nextQuarter)
        m_nextQuarter = (FloorDiv(local, kQuarterSeconds) + 1) * kQuarterSeconds;
}

void CReminderScheduler::Restart(int64_t now, int64_t local, bool keepDelay)
{
    m_cycleStart = now;
    if (!keepDelay)
        m_delayActive = false;
    AdvanceNextQuarter(local);
}

void CReminderScheduler::Reset(int64_t now, int64_t local, bool keepDelay)
{
    ZeroCounters();
    Restart(now, local, keepDelay);
    SetFlashing(false);
    m_reminderPending = false;
    m_dialogDeferred = false;
    if (m_dialogShown) {
        m_dialogCloseRequest = true;
        m_host.RequestDialogClose();
    }
    m_flashState = 0;
}

void CReminderScheduler::SetFlashing(bool on)
{
    if (m_flashing == on)
        return;
    m_flashing = on;
    m_host.FlashingChanged(on);
}

void CReminderScheduler::PlaySoundIfOn()
{
    if (m_notification.soundOn)
        m_host.PlayNotificationSound();
}

void CReminderScheduler::Step()
{
    const int64_t now = m_host.Now();
    const int64_t local = m_host.LocalTime();

    // Steps skipped while sleeping would each have moved the next quarter
    // on; do that for the last of them, on the local time it would have seen.
    if (now > m_lastStepNow + 1)
        AdvanceNextQuarter(m_lastStepLocal + (now - 1 - m_lastStepNow));
    m_lastStepNow = now;
    m_lastStepLocal = local;

    if (LastActivity() + kIdleResetSeconds < now) {
        Reset(now, local);
        return;
    }
    if (m_trayLaunchRequest) {
        m_trayLaunchRequest = false;
        if (m_preferencesOpen) {
            m_host.Beep();
        } else {
            m_launchRequest = true;
            Reset(now, local);
        }
    }
    if (m_viewerWatch || m_preferencesOpen) {
        if (m_host.ViewerExists() && m_host.ViewerInFront()) {
            m_launchRequest = false;
        } else {
            m_viewerWatch = false;
            if (m_preferencesOpen && !m_host.ViewerExists())
                m_preferencesOpen = false;
        }
    }
    if (m_launchRequest && !LaunchNext()) {
        m_host.Beep();
        m_launchRequest = false;
    }
    if (m_preferencesOpen)
        return;
    // A launch may have read the clock again; the rest of the step sees the
    // moment the step began, as every step within one second does.
    DueTest(now, local);
    AdvanceNextQuarter(local);
    FlashStop(now);
    if (m_dialogDeferred && m_dialogRetry < now)
        OfferDialog(now);
}

void CReminderScheduler::DueTest(int64_t now, int64_t local)
{
    if (m_delayActive) {
        if (m_delayDeadline >= now)
            return;
        Remind(now, local);
        return;
    }
    switch (m_activation.mode & 0xFF) {
    case 0:
        if (now - m_cycleStart > IntervalSeconds(m_activation.intervalIndex))
            Remind(now, local);
        break;
    case 1: {
        const int64_t boundary = m_nextQuarter;
        if (boundary != 0 && local >= boundary && HasClockMark(m_activation.clock, boundary))
            Remind(now, local);
        break;
    }
    case 2: {
        const Limits limits = CountLimits(m_activation);
        if (m_host.GetMouseClicks() > limits.clicks)
            Remind(now, local);
        if (m_host.GetKeyClicks() > limits.keys)
            Remind(now, local);
        break;
    }
    default:
        break;
    }
}

void CReminderScheduler::Remind(int64_t now, int64_t local)
{
    if (!m_delayActive) {
        ZeroCounters();
        Restart(now, local, false);
    }
    m_delayActive = false;
    PlaySoundIfOn();
    if (m_notification.flashIconOn) {
        SetFlashing(true);
        m_reminderPending = true;
        m_flashState = 1;
    }
    if (m_notification.dialogOn)
        OfferDialog(now);
    m_lastReminder = now;
}

void CReminderScheduler::Defer(int64_t now, int64_t seconds)
{
    m_dialogDeferred = true;
    m_dialogRetry = now + seconds;
}

void CReminderScheduler::OfferDialog(int64_t now)
{
    if (m_dialogShown) {
        m_dialogDeferred = false;
        return;
    }
    if (m_host.ScreenSaverActive()) {
        Defer(now, kScreenSaverRetry);
        return;
    }
    const int64_t wait = m_host.GetLastKeystrokeTime() + kDialogTypingPause - now;
    if (wait > 0) {
        Defer(now, wait);
        return;
    }
    m_dialogDeferred = false;
    m_dialogCloseRequest = false;
    m_dialogShown = true;
    m_reminderPending = true;

    const int choice = m_host.ShowReminderDialog();

    // Steps nested in the dialog may have moved the clock on; the choice
    // takes effect at the moment it was made.
    const int64_t answered = m_host.Now();
    const int64_t answeredLocal = m_host.LocalTime();
    m_host.ShowNormalIcon();
    bool keepDelay = false;
    if (choice == kChoiceStretchNow) {
        LaunchTopic(NextRoutine());
    } else if (choice == kChoiceDontStretch) {
        Reset(answered, answeredLocal);
    } else if (choice >= kChoiceDelay5 && choice <= kChoiceDelay15) {
        Delay(answered, answeredLocal, int64_t(choice - kChoiceDelay5 + 1) * 300);
        keepDelay = true;
    }
    Reset(answered, answeredLocal, keepDelay);
    m_dialogShown = false;
    m_dialogCloseRequest = false;
}

void CReminderScheduler::Delay(int64_t now, int64_t local, int64_t seconds)
{
    Reset(now, local);
    m_delayActive = true;
    m_delayDeadline = now + seconds;
}

void CReminderScheduler::FlashStop(int64_t now)
{
    if (!m_flashing)
        return;
    switch (m_flashState) {
    case 0:
        m_flashState = 1;
        break;
    case 1:
        if (LastActivity() > m_lastReminder) {
            m_flashActivityTime = now;
            m_flashState = 2;
        }
        break;
    case 2: {
        const int64_t duration = FlashSeconds(m_notification.flashInterval);
        if (duration != 0 && m_flashActivityTime + duration < now) {
            SetFlashing(false);
            m_flashState = 0;
        }
        break;
    }
    default:
        break;
    }
}

bool CReminderScheduler::LaunchNext()
{
    if (m_launchBusy)
        return false;
    m_launchBusy = true;
    LaunchTopic(NextRoutine());
    m_launchBusy = false;
    return true;
}

void CReminderScheduler::LaunchTopic(int topic)
{
    m_currentTopic = topic;
    m_host.ShowNormalIcon();
    m_store.WriteInt(Settings::kLastStretchTopic, topic);
    m_host.StartViewer(topic);
    m_launchRequest = false;
    ZeroCounters();
    Restart(m_host.Now(), m_host.LocalTime(), false);
}

void CReminderScheduler::ApplyDefaultSequence()
{
    CContentResource resource;
    QByteArray sequence;
    int index = -1;
    if (resource.Load(Formats::Sequence::kDefaultSequenceId, Formats::Sequence::kResourceType)) {
        const uint8_t* bytes = resource.Lock();
        sequence = QByteArray(reinterpret_cast<const char*>(bytes), qsizetype(resource.size));
        resource.Unlock();
        index = 0;
    }
    m_store.WriteString(Settings::kSequence, sequence);
    m_store.WriteInt(Settings::kSequenceIndex, index);
}

int CReminderScheduler::NextRoutine()
{
    QByteArray sequence = m_store.ReadString(Settings::kSequence, SettingReader::Controller);
    if (sequence == Settings::kNoSequence) {
        ApplyDefaultSequence();
        sequence = m_store.ReadString(Settings::kSequence, SettingReader::Controller);
    }
    const int index = m_store.ReadInt(Settings::kSequenceIndex, SettingReader::Controller);
    const int64_t count = sequence.size() / int64_t(Formats::Sequence::kEntrySize);
    if (index == -1 || count < 1) {
        ApplyDefaultSequence();
        return kFallbackTopic;
    }
    m_routines.ScanStretches();
    auto topicAt = [&](int64_t i) {
        const char* p = sequence.constData() + i * int64_t(Formats::Sequence::kEntrySize);
        const Formats::Sequence::Entry entry{uint8_t(p[0]), uint8_t(p[1]), uint8_t(p[2]), uint8_t(p[3])};
        return m_routines.TopicOfCode(Formats::Trigger::CodeValue(Formats::Sequence::CodeFromEntry(entry)));
    };
    for (int64_t i = 0; i < count; ++i) {
        if (topicAt(i) == 0) {
            ApplyDefaultSequence();
            return kFallbackTopic;
        }
    }
    const int64_t next = NonNegativeMod(int64_t(index) + 1, count);
    m_store.WriteInt(Settings::kSequenceIndex, int(next));
    return topicAt(next);
}

bool CReminderScheduler::IsCommandEnabled(int id) const
{
    if (id >= kDontStretchNow && id <= kDelay15)
        return m_reminderPending;
    return true;
}

void CReminderScheduler::OnCommand(int id)
{
    if (id >= kFirstTopicCommand && id <= kLastTopicCommand) {
        LaunchTopic(id - kTopicCommandOffset);
        return;
    }
    if (id < kFirstTrayCommand || id > kLastTrayCommand || !IsCommandEnabled(id))
        return;
    if (id == kPreferences) {
        m_host.ShowPreferences();
        m_launchRequest = false;
        Reset(m_host.Now(), m_host.LocalTime());
        return;
    }
    bool keepDelay = false;
    if (id == kStretchNow) {
        m_launchRequest = true;
    } else if (id >= kDelay5 && id <= kDelay15) {
        Delay(m_host.Now(), m_host.LocalTime(), int64_t(id - kDelay5 + 1) * 300);
        keepDelay = true;
    }
    Step();
    Reset(m_host.Now(), m_host.LocalTime(), keepDelay);
}

void CReminderScheduler::OnCtrlMessage(uint32_t code, int32_t lParam)
{
    switch (code) {
    case kViewerCreated:
    case kViewerActivated:
        m_viewerWatch = true;
        break;
    case kViewerDeactivated:
    case kViewerClosing:
        m_preferencesOpen = false;
        break;
    case kPrefsOpened:
        if (++m_openPreferences == 1)
            m_preferencesOpen = true;
        break;
    case kPrefsClosed:
        if (--m_openPreferences == 0)
            m_preferencesOpen = false;
        break;
    case kSettingsApplied:
        switch (lParam & 0xFFFF) {
        case 0:
            m_activation = ControllerSettings::LoadActivation(m_store);
            break;
        case 1:
            m_notification = ControllerSettings::LoadNotification(m_store);
            PlaySoundIfOn();
            break;
        case 2:
            m_sequence = ControllerSettings::LoadSequence(m_store);
            break;
        case 3:
            m_hotKey = ControllerSettings::LoadHotKey(m_store);
            m_host.HotKeyLoaded(m_hotKey);
            break;
        default:
            break;
        }
        break;
    case kAddKeystrokes:
        m_host.SetKeyCount(WrappingAdd(m_host.GetKeyClicks(), lParam));
        break;
    case kAddClicks:
        m_host.SetMouseCount(WrappingAdd(m_host.GetMouseClicks(), lParam));
        break;
    default:
        break;
    }
    Step();
}

void CReminderScheduler::OnTrayDoubleClick()
{
    if (!m_host.CanBuildTrayMenu())
        return;
    m_trayLaunchRequest = true;
    Step();
}

int64_t CReminderScheduler::NextWakeTime()
{
    const int64_t now = m_host.Now();
    const int64_t local = m_host.LocalTime();
    const int64_t lastActivity = LastActivity();
    // States that the next tick may change without anything reaching us:
    // the icon flashes, a dialog is up, the viewer or a sheet is watched,
    // a count may pass its limit, or the user has been away eight hours.
    if (m_flashing || m_dialogShown || m_viewerWatch || m_preferencesOpen || m_launchRequest
        || m_trayLaunchRequest)
        return now;
    if (lastActivity + kIdleResetSeconds < now) {
        // Away: every step resets, and all the steps of one second reset
        // alike, up to the first input. One step a second does the same,
        // unless the step right after the input could remind: counts, or a
        // clock mark passing in this very second.
        const int mode = m_activation.mode & 0xFF;
        if (mode == 2 || (mode == 1 && m_nextQuarter - local <= 1))
            return now;
        return now + 1;
    }

    int64_t wake = lastActivity + kIdleResetSeconds + 1;
    if (m_dialogDeferred)
        wake = std::min(wake, m_dialogRetry + 1);
    if (m_delayActive) {
        wake = std::min(wake, m_delayDeadline + 1);
    } else {
        switch (m_activation.mode & 0xFF) {
        case 0:
            wake = std::min(wake, m_cycleStart + IntervalSeconds(m_activation.intervalIndex) + 1);
            break;
        case 1:
            if (m_nextQuarter != 0)
                wake = std::min(wake, now + std::max<int64_t>(0, m_nextQuarter - local));
            break;
        case 2:
            return now;
        default:
            break;
        }
    }
    return std::max(wake, now);
}
