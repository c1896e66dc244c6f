#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>

struct _XDisplay;

/// The input source of the hook procedures on X11: a thread of the calling
/// process that reads XInput 2 raw events (keys, buttons, motion of the
/// master devices) from the X server named by DISPLAY and feeds them to
/// KeyboardProc and MouseProc with Windows-style arguments. It sleeps in
/// poll() with no timeout while there is no input; when the X server goes
/// away the process lives on and the monitor connects again once a second.
class HookMonitor {
public:
    static HookMonitor& Instance();
    ~HookMonitor();

    /// Connects to DISPLAY and starts the thread; false (and no thread) when
    /// there is no X server or it lacks XInput 2.
    bool Start();
    /// Stops the thread promptly and closes the connection.
    void Stop();

    bool IsRunning() const { return m_running.load(); }
    /// True while the thread holds a live X connection.
    bool IsConnected() const { return m_connected.load(); }
    /// Kernel thread id of the monitor thread (for /proc), 0 when not running.
    pid_t ThreadId() const { return m_threadId.load(); }

private:
    HookMonitor() = default;

    bool Connect();
    void Disconnect();
    void Run();
    void Drain();
    void RefreshKeymap();
    void WaitForWake(int timeoutMs);

    std::mutex m_controlMutex; // Start/Stop from different threads
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_stop{false};
    std::atomic<pid_t> m_threadId{0};
    int m_wakeFd = -1;

    // Monitor thread only (handed over by Start before the thread exists).
    _XDisplay* m_display = nullptr;
    std::string m_displayName;
    int m_xiOpcode = 0;
    int m_xkbEventBase = -1;
    std::array<uint8_t, 256> m_virtualKeys{};
};
