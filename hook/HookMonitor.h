#pragma once
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <thread>

struct HookWatch;

/// The input source of the hook procedures on X11: a thread of the calling
/// process that reads XInput 2 raw events (keys, buttons, motion of the
/// master devices) from the X server named by DISPLAY and feeds them to
/// KeyboardProc and MouseProc with Windows-style arguments. It sleeps in
/// poll() with no timeout while there is no input; when the X server goes
/// away the process lives on and the monitor connects again once a second.
///
/// An X server that stops answering (a frozen or stopped process) can hold
/// any Xlib call for ever, so nobody waits on the thread without a bound:
/// Start gives the first connection a short time, and Stop leaves a thread
/// that does not end in time to end by itself.
class HookMonitor {
public:
    static HookMonitor& Instance();
    ~HookMonitor();

    /// Starts the thread, which connects to DISPLAY. False (and no thread)
    /// when there is no X server or it lacks XInput 2; true once connected,
    /// or when the server has not answered within a short bound (the thread
    /// then goes on trying).
    bool Start();
    /// Stops the thread and closes the connection; waits a short bound at most.
    void Stop();

    bool IsRunning() const;
    /// True while the thread holds a live X connection.
    bool IsConnected() const;
    /// Kernel thread id of the monitor thread (for /proc), 0 when not running.
    pid_t ThreadId() const;

private:
    HookMonitor() = default;

    mutable std::mutex m_controlMutex; // Start/Stop from different threads
    // Shared with the thread, which keeps it alive when Stop stops waiting.
    std::shared_ptr<HookWatch> m_watch;
    std::thread m_thread;
};
