#include "HookMonitor.h"

#include "HookCore.h"
#include "HookLog.h"
#include "VirtualKeyTable.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <cerrno>
#include <cstdlib>
#include <future>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

constexpr int kReconnectMs = 1000;

// Xlib's error handlers are process-wide. Ours only speak for the monitor's
// own connection and hand everything else to whoever was there before.
std::atomic<Display*> s_monitorDisplay{nullptr};
std::atomic<bool> s_connectionLost{false};
std::atomic<XIOErrorHandler> s_previousIOHandler{nullptr};
std::atomic<XErrorHandler> s_previousErrorHandler{nullptr};

// Set while a handler of ours passes an error on: a handler that took
// ours as its own "previous" hands it straight back, and that must not go
// round for ever.
thread_local bool t_passingOn = false;

int OnIOError(Display* display)
{
    if (display == s_monitorDisplay.load()) {
        s_connectionLost.store(true);
        return 0; // the exit handler below keeps the process alive
    }
    XIOErrorHandler previous = s_previousIOHandler.load();
    if (!previous || t_passingOn)
        return 0;
    t_passingOn = true;
    const int result = previous(display);
    t_passingOn = false;
    return result;
}

void OnIOErrorExit(Display*, void*)
{
    // Xlib would end the process here. The monitor only notes the loss and
    // connects again later.
    s_connectionLost.store(true);
}

int OnProtocolError(Display* display, XErrorEvent* event)
{
    if (display == s_monitorDisplay.load())
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

HookMonitor& HookMonitor::Instance()
{
    static HookMonitor monitor;
    return monitor;
}

HookMonitor::~HookMonitor()
{
    Stop();
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

bool HookMonitor::Start()
{
    std::lock_guard guard(m_controlMutex);
    if (m_running.load())
        return true;
    if (m_wakeFd < 0)
        m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0)
        return false;
    const char* display = std::getenv("DISPLAY");
    m_displayName = display ? display : "";
    if (!Connect())
        return false;
    // Keys held when an earlier watch ended may have been let go since.
    HookCore::ResetKeyState();
    m_stop.store(false);
    m_running.store(true);
    std::promise<void> started;
    std::future<void> startedFuture = started.get_future();
    m_thread = std::thread([this, &started] {
        m_threadId.store(gettid());
        started.set_value();
        Run();
    });
    startedFuture.wait(); // so ThreadId() answers as soon as Start returns
    return true;
}

void HookMonitor::Stop()
{
    std::lock_guard guard(m_controlMutex);
    if (!m_thread.joinable())
        return;
    m_stop.store(true);
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(m_wakeFd, &one, sizeof one);
    m_thread.join();
    m_running.store(false);
    m_threadId.store(0);
}

bool HookMonitor::Connect()
{
    if (m_displayName.empty())
        return false; // no X session (a Wayland session without XWayland, a console)
    InstallErrorHandlers();
    Display* display = XOpenDisplay(m_displayName.c_str());
    if (!display)
        return false;
    s_connectionLost.store(false);
    s_monitorDisplay.store(display);
    XSetIOErrorExitHandler(display, &OnIOErrorExit, nullptr);
    m_display = display;

    int opcode = 0, firstEvent = 0, firstError = 0;
    int major = 2, minor = 2;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &firstEvent, &firstError)
        || XIQueryVersion(display, &major, &minor) != Success || major < 2) {
        static std::atomic<bool> told{false};
        if (!told.exchange(true))
            qCWarning(lcHook, "the X server has no XInput 2; keystrokes and clicks are not counted");
        Disconnect();
        return false;
    }
    m_xiOpcode = opcode;

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
    m_xkbEventBase = -1;
    if (XkbQueryExtension(display, &xkbOpcode, &m_xkbEventBase, &xkbError, &xkbMajor, &xkbMinor)) {
        const unsigned long kinds = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
        XkbSelectEvents(display, XkbUseCoreKbd, kinds, kinds);
    } else {
        m_xkbEventBase = -1;
    }
    RefreshKeymap();
    XSync(display, False);
    if (s_connectionLost.load()) {
        Disconnect();
        return false;
    }
    m_connected.store(true);
    return true;
}

void HookMonitor::Disconnect()
{
    m_connected.store(false);
    if (!m_display)
        return;
    XCloseDisplay(m_display); // also safe on a connection that broke
    s_monitorDisplay.store(nullptr);
    m_display = nullptr;
}

void HookMonitor::RefreshKeymap()
{
    m_virtualKeys.fill(VirtualKey::kUnmapped);
    int minKeycode = 0, maxKeycode = 0, perKeycode = 0;
    XDisplayKeycodes(m_display, &minKeycode, &maxKeycode);
    if (minKeycode < 0 || maxKeycode > 255 || maxKeycode < minKeycode)
        return;
    KeySym* keysyms = XGetKeyboardMapping(m_display, static_cast<KeyCode>(minKeycode),
                                          maxKeycode - minKeycode + 1, &perKeycode);
    if (!keysyms)
        return;
    if (perKeycode > 0) {
        for (int keycode = minKeycode; keycode <= maxKeycode; ++keycode) {
            // Column 0: the unshifted keysym of the first group.
            const KeySym keysym = keysyms[static_cast<size_t>(keycode - minKeycode) * perKeycode];
            if (keysym != NoSymbol)
                m_virtualKeys[keycode] = VirtualKeyTable::FromKeysym(static_cast<uint32_t>(keysym));
        }
    }
    XFree(keysyms);
}

void HookMonitor::WaitForWake(int timeoutMs)
{
    pollfd wake{m_wakeFd, POLLIN, 0};
    if (poll(&wake, 1, timeoutMs) > 0) {
        uint64_t counter = 0;
        [[maybe_unused]] ssize_t n = read(m_wakeFd, &counter, sizeof counter);
    }
}

void HookMonitor::Run()
{
    while (!m_stop.load()) {
        if (!m_display) {
            if (!Connect()) {
                WaitForWake(kReconnectMs);
                continue;
            }
            qCInfo(lcHook, "connected to the X server again");
            HookCore::ResetKeyState(); // keys held across the outage are unknown
        }
        // Whoever set a process-wide handler since (a toolkit opening its
        // own connection) would end the process on our connection's loss:
        // take ours back before reading, handing theirs everything else.
        InstallErrorHandlers();
        Drain();
        if (s_connectionLost.load()) {
            qCInfo(lcHook, "lost the X server; counting resumes when it is back");
            Disconnect();
            continue;
        }
        XFlush(m_display);
        pollfd fds[2] = {{ConnectionNumber(m_display), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN) {
            uint64_t counter = 0;
            [[maybe_unused]] ssize_t n = read(m_wakeFd, &counter, sizeof counter);
        }
        if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) && !(fds[0].revents & POLLIN)) {
            s_connectionLost.store(true);
            Disconnect();
        }
    }
    Disconnect();
}

void HookMonitor::Drain()
{
    while (!s_connectionLost.load() && XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            if (event.xmapping.request == MappingKeyboard)
                RefreshKeymap();
            continue;
        }
        if (event.type == m_xkbEventBase) {
            const auto* xkb = reinterpret_cast<const XkbEvent*>(&event);
            if (xkb->any.xkb_type == XkbNewKeyboardNotify || xkb->any.xkb_type == XkbMapNotify)
                RefreshKeymap();
            continue;
        }
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != m_xiOpcode
            || !XGetEventData(m_display, cookie))
            continue;
        const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
        switch (raw->evtype) {
        case XI_RawKeyPress:
        case XI_RawKeyRelease: {
            const uint8_t keycode = static_cast<uint8_t>(raw->detail);
            const bool released = raw->evtype == XI_RawKeyRelease;
            const bool repeat = (raw->flags & XIKeyRepeat) != 0;
            HookCore::KeyboardProc(HookMessage::kHcAction, m_virtualKeys[keycode],
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
        XFreeEventData(m_display, cookie);
    }
}
