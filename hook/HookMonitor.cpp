#include "HookMonitor.h"

#include "HookCore.h"
#include "HookLog.h"
#include "VirtualKeyTable.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

constexpr int kReconnectMs = 1000;
// A live X server answers a new connection within milliseconds; Start does
// not wait longer than this for one that does not.
constexpr std::chrono::milliseconds kFirstConnectWait{2000};
// How long Stop waits for the thread to end.
constexpr std::chrono::milliseconds kStopWait{1000};
// Connections of monitor threads: the running one and any left, stuck on a
// frozen server, to end by themselves.
constexpr size_t kMaxWatches = 8;

// Xlib's error handlers are process-wide. Ours only speak for the monitors'
// own connections and hand everything else to whoever was there before.
std::array<std::atomic<Display*>, kMaxWatches> s_watchDisplays{};
std::atomic<XIOErrorHandler> s_previousIOHandler{nullptr};
std::atomic<XErrorHandler> s_previousErrorHandler{nullptr};

// Set while a handler of ours passes an error on: a handler that took
// ours as its own "previous" hands it straight back, and that must not go
// round for ever.
thread_local bool t_passingOn = false;

bool IsWatchDisplay(Display* display)
{
    for (const std::atomic<Display*>& slot : s_watchDisplays) {
        if (slot.load() == display)
            return true;
    }
    return false;
}

int OnIOError(Display* display)
{
    if (IsWatchDisplay(display))
        return 0; // the exit handler below keeps the process alive
    XIOErrorHandler previous = s_previousIOHandler.load();
    if (!previous || t_passingOn)
        return 0;
    t_passingOn = true;
    const int result = previous(display);
    t_passingOn = false;
    return result;
}

void OnIOErrorExit(Display*, void* lost)
{
    // Xlib would end the process here. The monitor only notes the loss and
    // connects again later.
    static_cast<std::atomic<bool>*>(lost)->store(true);
}

int OnProtocolError(Display* display, XErrorEvent* event)
{
    if (IsWatchDisplay(display))
        return 0;
    XErrorHandler previous = s_previousErrorHandler.load();
    if (!previous || t_passingOn)
        return 0;
    t_passingOn = true;
    const int result = previous(display, event);
    t_passingOn = false;
    return result;
}

void InstallErrorHandlers()
{
    XIOErrorHandler previousIO = XSetIOErrorHandler(&OnIOError);
    if (previousIO != &OnIOError)
        s_previousIOHandler.store(previousIO);
    XErrorHandler previousError = XSetErrorHandler(&OnProtocolError);
    if (previousError != &OnProtocolError)
        s_previousErrorHandler.store(previousError);
}

void WarnOnce(std::atomic<bool>& told, const char* message)
{
    if (!told.exchange(true))
        qCWarning(lcHook, "%s", message);
}

unsigned ButtonPressMessage(int button)
{
    switch (button) {
    case 1:
        return HookMessage::kLButtonDown;
    case 2:
        return HookMessage::kMButtonDown;
    case 3:
        return HookMessage::kRButtonDown;
    case 4:
    case 5:
        return HookMessage::kMouseWheel;
    case 6:
    case 7:
        return HookMessage::kMouseHWheel;
    default:
        return HookMessage::kXButtonDown;
    }
}

// 0 for the wheel, which has no release message.
unsigned ButtonReleaseMessage(int button)
{
    switch (button) {
    case 1:
        return HookMessage::kLButtonUp;
    case 2:
        return HookMessage::kMButtonUp;
    case 3:
        return HookMessage::kRButtonUp;
    case 4:
    case 5:
    case 6:
    case 7:
        return 0;
    default:
        return HookMessage::kXButtonUp;
    }
}

} // namespace

/// One run of the monitor thread and everything it touches. The thread
/// holds it too, so a thread that Stop stopped waiting for finds its state
/// intact whenever its Xlib call returns.
struct HookWatch {
    enum class FirstConnect { Pending, Connected, Failed, NotAwaited };

    ~HookWatch()
    {
        if (wakeFd >= 0)
            close(wakeFd);
    }

    void Run();
    void Wake();

    // Between the thread and Start/Stop.
    std::mutex mutex;
    std::condition_variable changed;
    FirstConnect first = FirstConnect::Pending; // guarded by mutex
    bool ended = false;                         // guarded by mutex
    std::atomic<bool> stop{false};
    std::atomic<bool> connected{false};
    std::atomic<pid_t> threadId{0};
    int wakeFd = -1;
    std::string displayName;

private:
    bool Connect();
    void Disconnect();
    void Drain();
    void RefreshKeymap();
    void WaitForWake(int timeoutMs);
    void Finish();

    // The thread's own.
    std::atomic<bool> lost{false}; // set by the exit handler of our connection
    Display* display = nullptr;
    size_t slot = kMaxWatches;
    int xiOpcode = 0;
    int xkbEventBase = -1;
    std::array<uint8_t, 256> virtualKeys{};
    // Keys seen going down since the connection was made, by keycode.
    std::array<bool, 256> down{};
};

HookMonitor& HookMonitor::Instance()
{
    static HookMonitor monitor;
    return monitor;
}

HookMonitor::~HookMonitor()
{
    Stop();
}

bool HookMonitor::Start()
{
    std::lock_guard guard(m_controlMutex);
    if (m_watch)
        return true;
    const char* displayName = std::getenv("DISPLAY");
    if (!displayName || !*displayName)
        return false; // no X session (a Wayland session without XWayland, a console)
    auto watch = std::make_shared<HookWatch>();
    watch->displayName = displayName;
    watch->wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (watch->wakeFd < 0)
        return false;
    m_thread = std::thread([watch] { watch->Run(); });

    std::unique_lock lock(watch->mutex);
    const bool answered = watch->changed.wait_for(
        lock, kFirstConnectWait, [&] { return watch->first != HookWatch::FirstConnect::Pending; });
    if (!answered) {
        // The server took the connection but does not answer: it is stopped
        // or hung. The thread goes on waiting for it; nobody else does.
        watch->first = HookWatch::FirstConnect::NotAwaited;
        lock.unlock();
        static std::atomic<bool> told{false};
        WarnOnce(told, "the X server does not answer; keystrokes and clicks count from when it does");
        m_watch = std::move(watch);
        return true;
    }
    if (watch->first == HookWatch::FirstConnect::Failed) {
        lock.unlock();
        m_thread.join();
        return false;
    }
    lock.unlock();
    m_watch = std::move(watch);
    return true;
}

void HookMonitor::Stop()
{
    std::lock_guard guard(m_controlMutex);
    if (!m_watch)
        return;
    const std::shared_ptr<HookWatch> watch = std::move(m_watch);
    watch->stop.store(true);
    watch->Wake();
    std::unique_lock lock(watch->mutex);
    const bool ended = watch->changed.wait_for(lock, kStopWait, [&] { return watch->ended; });
    lock.unlock();
    if (ended) {
        m_thread.join();
        return;
    }
    // Stuck in an Xlib call on a server that does not answer. It holds its
    // own state and, once the call returns, sees the stop and ends.
    m_thread.detach();
    static std::atomic<bool> told{false};
    WarnOnce(told, "the X server does not answer; its input watch is left to end by itself");
}

bool HookMonitor::IsRunning() const
{
    std::lock_guard guard(m_controlMutex);
    return m_watch != nullptr;
}

bool HookMonitor::IsConnected() const
{
    std::lock_guard guard(m_controlMutex);
    return m_watch && m_watch->connected.load();
}

pid_t HookMonitor::ThreadId() const
{
    std::lock_guard guard(m_controlMutex);
    return m_watch ? m_watch->threadId.load() : 0;
}

void HookWatch::Wake()
{
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(wakeFd, &one, sizeof one);
}

bool HookWatch::Connect()
{
    InstallErrorHandlers();
    Display* opened = XOpenDisplay(displayName.c_str());
    if (!opened)
        return false;
    for (size_t i = 0; i < kMaxWatches && slot == kMaxWatches; ++i) {
        Display* empty = nullptr;
        if (s_watchDisplays[i].compare_exchange_strong(empty, opened))
            slot = i;
    }
    if (slot == kMaxWatches) {
        XCloseDisplay(opened); // every slot held by a thread stuck on a frozen server
        return false;
    }
    lost.store(false);
    XSetIOErrorExitHandler(opened, &OnIOErrorExit, &lost);
    display = opened;

    int opcode = 0, firstEvent = 0, firstError = 0;
    int major = 2, minor = 2;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &firstEvent, &firstError)
        || XIQueryVersion(display, &major, &minor) != Success || major < 2) {
        static std::atomic<bool> told{false};
        WarnOnce(told, "the X server has no XInput 2; keystrokes and clicks are not counted");
        Disconnect();
        return false;
    }
    xiOpcode = opcode;

    unsigned char mask[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(mask, XI_RawKeyPress);
    XISetMask(mask, XI_RawKeyRelease);
    XISetMask(mask, XI_RawButtonPress);
    XISetMask(mask, XI_RawButtonRelease);
    XISetMask(mask, XI_RawMotion);
    XIEventMask eventMask{XIAllMasterDevices, static_cast<int>(sizeof mask), mask};
    XISelectEvents(display, DefaultRootWindow(display), &eventMask, 1);

    // Keyboard layout changes (setxkbmap, a new keyboard) arrive as XKB
    // events; the core MappingNotify alone misses them.
    int xkbOpcode = 0, xkbError = 0, xkbMajor = XkbMajorVersion, xkbMinor = XkbMinorVersion;
    xkbEventBase = -1;
    if (XkbQueryExtension(display, &xkbOpcode, &xkbEventBase, &xkbError, &xkbMajor, &xkbMinor)) {
        const unsigned long kinds = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
        XkbSelectEvents(display, XkbUseCoreKbd, kinds, kinds);
    } else {
        xkbEventBase = -1;
    }
    RefreshKeymap();
    XSync(display, False);
    if (lost.load()) {
        Disconnect();
        return false;
    }
    // Keys held before this connection may have been let go unseen.
    down.fill(false);
    HookCore::ResetKeyState();
    connected.store(true);
    return true;
}

void HookWatch::Disconnect()
{
    connected.store(false);
    if (!display)
        return;
    XCloseDisplay(display); // also safe on a connection that broke
    s_watchDisplays[slot].store(nullptr);
    slot = kMaxWatches;
    display = nullptr;
}

void HookWatch::RefreshKeymap()
{
    virtualKeys.fill(VirtualKey::kUnmapped);
    int minKeycode = 0, maxKeycode = 0, perKeycode = 0;
    XDisplayKeycodes(display, &minKeycode, &maxKeycode);
    if (minKeycode < 0 || maxKeycode > 255 || maxKeycode < minKeycode)
        return;
    KeySym* keysyms = XGetKeyboardMapping(display, static_cast<KeyCode>(minKeycode),
                                          maxKeycode - minKeycode + 1, &perKeycode);
    if (!keysyms)
        return;
    if (perKeycode > 0) {
        for (int keycode = minKeycode; keycode <= maxKeycode; ++keycode) {
            // Column 0: the unshifted keysym of the first group.
            const KeySym keysym = keysyms[static_cast<size_t>(keycode - minKeycode) * perKeycode];
            if (keysym != NoSymbol)
                virtualKeys[keycode] = VirtualKeyTable::FromKeysym(static_cast<uint32_t>(keysym));
        }
    }
    XFree(keysyms);
}

void HookWatch::WaitForWake(int timeoutMs)
{
    pollfd wake{wakeFd, POLLIN, 0};
    if (poll(&wake, 1, timeoutMs) > 0) {
        uint64_t counter = 0;
        [[maybe_unused]] ssize_t n = read(wakeFd, &counter, sizeof counter);
    }
}

void HookWatch::Finish()
{
    std::lock_guard guard(mutex);
    ended = true;
    changed.notify_all();
}

void HookWatch::Run()
{
    threadId.store(gettid());
    const bool madeFirst = Connect();
    {
        std::lock_guard guard(mutex);
        if (first == FirstConnect::Pending)
            first = madeFirst ? FirstConnect::Connected : FirstConnect::Failed;
        changed.notify_all();
        // Failed while Start still waited: Start reports it and nothing is
        // installed. Failed after Start stopped waiting: keep trying.
        if (first == FirstConnect::Failed) {
            ended = true;
            return;
        }
    }
    while (!stop.load()) {
        if (!display) {
            if (!Connect()) {
                WaitForWake(kReconnectMs);
                continue;
            }
            if (!stop.load())
                qCInfo(lcHook, "connected to the X server");
        }
        // Whoever set a process-wide handler since (a toolkit opening its
        // own connection) would end the process on our connection's loss:
        // take ours back before reading, handing theirs everything else.
        InstallErrorHandlers();
        Drain();
        if (stop.load())
            break;
        if (lost.load()) {
            qCInfo(lcHook, "lost the X server; counting resumes when it is back");
            Disconnect();
            continue;
        }
        XFlush(display);
        pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {wakeFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            // A wait that fails (the process's file limit lowered, no kernel
            // memory) leaves the connection's state unknown: start afresh.
            if (!stop.load())
                qCInfo(lcHook, "waiting for X input failed; connecting again");
            Disconnect();
            WaitForWake(kReconnectMs);
            continue;
        }
        if (fds[1].revents & POLLIN) {
            uint64_t counter = 0;
            [[maybe_unused]] ssize_t n = read(wakeFd, &counter, sizeof counter);
        }
        if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) && !(fds[0].revents & POLLIN)) {
            lost.store(true);
            Disconnect();
        }
    }
    Disconnect();
    Finish();
}

void HookWatch::Drain()
{
    while (!stop.load() && !lost.load() && XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            if (event.xmapping.request == MappingKeyboard)
                RefreshKeymap();
            continue;
        }
        if (event.type == xkbEventBase) {
            const auto* xkb = reinterpret_cast<const XkbEvent*>(&event);
            if (xkb->any.xkb_type == XkbNewKeyboardNotify || xkb->any.xkb_type == XkbMapNotify)
                RefreshKeymap();
            continue;
        }
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != xiOpcode || !XGetEventData(display, cookie))
            continue;
        const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
        switch (raw->evtype) {
        case XI_RawKeyPress:
        case XI_RawKeyRelease: {
            const uint8_t keycode = static_cast<uint8_t>(raw->detail);
            const bool released = raw->evtype == XI_RawKeyRelease;
            // A release of a key that went down before we watched (or that
            // a tool sends on its own) is no keystroke: the procedure counts
            // every release it is given.
            if (released && !down[keycode])
                break;
            down[keycode] = !released;
            const bool repeat = (raw->flags & XIKeyRepeat) != 0;
            HookCore::KeyboardProc(HookMessage::kHcAction, virtualKeys[keycode],
                                   KeyFlags::Make(keycode, released, released || repeat));
            break;
        }
        case XI_RawButtonPress:
            HookCore::MouseProc(HookMessage::kHcAction, ButtonPressMessage(raw->detail), 0);
            break;
        case XI_RawButtonRelease:
            if (unsigned message = ButtonReleaseMessage(raw->detail))
                HookCore::MouseProc(HookMessage::kHcAction, message, 0);
            break;
        case XI_RawMotion:
            HookCore::MouseProc(HookMessage::kHcAction, HookMessage::kMouseMove, 0);
            break;
        default:
            break;
        }
        XFreeEventData(display, cookie);
    }
}
