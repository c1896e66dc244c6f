#include "BusCommandSender.h"

#include "BusNames.h"
#include "SessionBusAddress.h"

#include <cerrno>
#include <chrono>
#include <dbus/dbus.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// Finishes the handshake within the call timeout. A bus that takes the
// connection and never answers would otherwise hold a blocking call for
// good: libdbus waits for authentication without any limit.
bool Authenticate(DBusConnection* connection)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(BusNames::kCallTimeoutMs);
    while (!dbus_connection_get_is_authenticated(connection)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !dbus_connection_get_is_connected(connection))
            return false;
        dbus_connection_read_write(connection, static_cast<int>(left.count()));
    }
    return true;
}

// The bus's Hello, which must come first, with our timeout rather than the
// library's default of 25 s that dbus_bus_register uses.
bool SayHello(DBusConnection* connection)
{
    DBusMessage* hello = dbus_message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "Hello");
    if (!hello)
        return false;
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply
        = dbus_connection_send_with_reply_and_block(connection, hello, BusNames::kCallTimeoutMs, &error);
    dbus_message_unref(hello);
    if (!reply) {
        dbus_error_free(&error);
        return false;
    }
    dbus_message_unref(reply);
    return true;
}

} // namespace

BusCommandSender::BusCommandSender(std::string service)
    : m_service(std::move(service))
{
}

BusCommandSender::~BusCommandSender()
{
    if (m_thread.joinable()) {
        m_stop.store(true);
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(m_wakeFd, &one, sizeof one);
        m_thread.join();
    }
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

bool BusCommandSender::Start()
{
    if (m_running.load())
        return true;
    std::lock_guard guard(m_queueMutex);
    if (m_running.load())
        return true;
    dbus_threads_init_default();
    if (m_wakeFd < 0)
        m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0)
        return false;
    m_thread = std::thread([this] { Run(); });
    m_running.store(true);
    return true;
}

bool BusCommandSender::Post(uint32_t id)
{
    if (!m_running.load())
        return false;
    {
        std::lock_guard guard(m_queueMutex);
        if (m_queueLength == kQueueSize)
            return false;
        m_queue[(m_queueHead + m_queueLength) % kQueueSize] = id;
        ++m_queueLength;
        ++m_posted;
    }
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(m_wakeFd, &one, sizeof one);
    return true;
}

bool BusCommandSender::WaitUntilIdle(int timeoutMs)
{
    std::unique_lock lock(m_queueMutex);
    return m_idle.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return m_handled == m_posted; });
}

void BusCommandSender::Run()
{
    pollfd wake{m_wakeFd, POLLIN, 0};
    while (!m_stop.load()) {
        if (poll(&wake, 1, -1) < 0 && errno != EINTR)
            break;
        uint64_t counter = 0;
        [[maybe_unused]] ssize_t n = read(m_wakeFd, &counter, sizeof counter);
        for (;;) {
            uint32_t id = 0;
            {
                std::lock_guard guard(m_queueMutex);
                if (m_queueLength == 0 || m_stop.load())
                    break;
                id = m_queue[m_queueHead];
                m_queueHead = (m_queueHead + 1) % kQueueSize;
                --m_queueLength;
            }
            Deliver(id);
            {
                std::lock_guard guard(m_queueMutex);
                ++m_handled;
            }
            m_idle.notify_all();
        }
    }
    CloseConnection();
}

void BusCommandSender::Deliver(uint32_t id)
{
    if (!EnsureConnection() || !ServiceHasOwner()) {
        m_skipped.fetch_add(1);
        return;
    }
    DBusMessage* message = dbus_message_new_method_call(m_service.c_str(), BusNames::kObjectPath,
                                                        BusNames::kWindowInterface, "Command");
    if (!message) {
        m_skipped.fetch_add(1);
        return;
    }
    dbus_uint32_t argument = id;
    dbus_message_append_args(message, DBUS_TYPE_UINT32, &argument, DBUS_TYPE_INVALID);
    dbus_message_set_no_reply(message, TRUE);
    dbus_message_set_auto_start(message, FALSE);
    bool queued = dbus_connection_send(m_connection, message, nullptr);
    dbus_message_unref(message);
    dbus_connection_flush(m_connection);
    if (queued)
        m_sent.fetch_add(1);
    else
        m_skipped.fetch_add(1);
    // Nobody dispatches this connection: drop what the bus sent us
    // (NameAcquired and the like) so nothing piles up.
    while (DBusMessage* incoming = dbus_connection_pop_message(m_connection))
        dbus_message_unref(incoming);
}

bool BusCommandSender::EnsureConnection()
{
    std::string address = SessionBusAddress();
    if (m_connection
        && (!dbus_connection_get_is_connected(m_connection) || address != m_connectedAddress))
        CloseConnection();
    if (m_connection)
        return true;
    if (address.empty())
        return false;
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* connection = dbus_connection_open_private(address.c_str(), &error);
    if (!connection) {
        dbus_error_free(&error);
        return false;
    }
    // A lost bus must never end the process that hosts us.
    dbus_connection_set_exit_on_disconnect(connection, FALSE);
    if (!Authenticate(connection) || !SayHello(connection)) {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
        return false;
    }
    m_connection = connection;
    m_connectedAddress = address;
    return true;
}

void BusCommandSender::CloseConnection()
{
    if (!m_connection)
        return;
    dbus_connection_close(m_connection);
    dbus_connection_unref(m_connection);
    m_connection = nullptr;
    m_connectedAddress.clear();
}

bool BusCommandSender::ServiceHasOwner()
{
    DBusMessage* query = dbus_message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "NameHasOwner");
    if (!query)
        return false;
    const char* name = m_service.c_str();
    dbus_message_append_args(query, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(m_connection, query,
                                                                   BusNames::kCallTimeoutMs, &error);
    dbus_message_unref(query);
    if (!reply) {
        dbus_error_free(&error);
        return false;
    }
    dbus_bool_t owned = FALSE;
    if (!dbus_message_get_args(reply, &error, DBUS_TYPE_BOOLEAN, &owned, DBUS_TYPE_INVALID))
        dbus_error_free(&error);
    dbus_message_unref(reply);
    return owned;
}
