#pragma once
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

struct DBusConnection;

/// Calls Command(u id) on another program's main window over the session
/// bus, from a worker thread of its own, so that whoever posts never waits
/// for the bus. Nothing is sent when nobody owns the service name (and the
/// bus is not asked to start anyone). Qt-free: it runs inside the hook
/// library, in any process of the session.
class BusCommandSender {
public:
    /// service: the well-known name to call, e.g. BusNames::kControllerService.
    explicit BusCommandSender(std::string service);
    ~BusCommandSender();
    BusCommandSender(const BusCommandSender&) = delete;
    BusCommandSender& operator=(const BusCommandSender&) = delete;

    /// Starts the worker; true when it runs (also when it already did).
    bool Start();

    /// Queues Command(id) for the worker. Never blocks on the bus and never
    /// allocates; false when the worker is not running or the queue is full.
    bool Post(uint32_t id);

    /// Commands handed to the bus so far.
    uint64_t SentCount() const { return m_sent.load(); }
    /// Commands not sent: no bus, or no owner of the service name.
    uint64_t SkippedCount() const { return m_skipped.load(); }

    /// Waits until every posted command has been handled; false on timeout.
    bool WaitUntilIdle(int timeoutMs);

private:
    static constexpr size_t kQueueSize = 16;

    void Run();
    void Deliver(uint32_t id);
    bool EnsureConnection();
    void CloseConnection();
    bool ServiceHasOwner();

    const std::string m_service;
    std::thread m_thread;
    int m_wakeFd = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};

    std::mutex m_queueMutex;
    std::condition_variable m_idle;
    std::array<uint32_t, kQueueSize> m_queue{};
    size_t m_queueHead = 0;
    size_t m_queueLength = 0;
    uint64_t m_posted = 0;
    uint64_t m_handled = 0;

    std::atomic<uint64_t> m_sent{0};
    std::atomic<uint64_t> m_skipped{0};

    // Worker thread only.
    DBusConnection* m_connection = nullptr;
    std::string m_connectedAddress;
};
