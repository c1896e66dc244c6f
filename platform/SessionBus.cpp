#include "SessionBus.h"

#include "BusNames.h"
#include "SessionBusAddress.h"

#include <QDBusMessage>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QMutex>
#include <QThread>
#include <cstdio>

namespace {

const QString kConnectionName = QStringLiteral("ovantis-session");

QDBusMessage WindowCall(const QString& className, const QString& member)
{
    QDBusMessage call = QDBusMessage::createMethodCall(SessionBus::ServiceName(className),
                                                       QString::fromLatin1(BusNames::kObjectPath),
                                                       QString::fromLatin1(BusNames::kWindowInterface), member);
    call.setAutoStartService(false);
    return call;
}

} // namespace

namespace SessionBus {

QDBusConnection Connection()
{
    // Connects again when the bus went away or the session names another
    // one; says once that there is none.
    static QMutex mutex;
    static std::string connectedAddress;
    static bool reported = false;
    QMutexLocker lock(&mutex);
    const std::string address = SessionBusAddress();
    QDBusConnection current(kConnectionName);
    if (current.isConnected() && address == connectedAddress)
        return current;
    QDBusConnection::disconnectFromBus(kConnectionName);
    connectedAddress.clear();
    if (!address.empty()) {
        QDBusConnection connection
            = QDBusConnection::connectToBus(QString::fromStdString(address), kConnectionName);
        if (connection.isConnected()) {
            connectedAddress = address;
            return connection;
        }
    }
    if (!reported) {
        reported = true;
        std::fprintf(stderr, "ovantis: no session bus; the programs of this session cannot reach each other\n");
    }
    return QDBusConnection(kConnectionName);
}

QDBusMessage BusDaemonCall(const QString& member)
{
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                          QStringLiteral("/org/freedesktop/DBus"),
                                          QStringLiteral("org.freedesktop.DBus"), member);
}

QString ServiceName(const QString& className)
{
    return QString::fromLatin1(BusNames::kServicePrefix) + className;
}

bool HasWindow(const QString& className)
{
    QDBusConnection connection = Connection();
    if (!connection.isConnected())
        return false;
    QDBusMessage call = BusDaemonCall(QStringLiteral("NameHasOwner"));
    call << ServiceName(className);
    QDBusReply<bool> reply = connection.call(call, QDBus::Block, BusNames::kCallTimeoutMs);
    return reply.isValid() && reply.value();
}

bool WaitForWindow(const QString& className, int waitMs)
{
    QDeadlineTimer deadline(waitMs);
    for (;;) {
        if (HasWindow(className))
            return true;
        if (deadline.hasExpired() || !Connection().isConnected())
            return false;
        QThread::msleep(50);
    }
}

bool IsWindowActive(const QString& className)
{
    QDBusConnection connection = Connection();
    if (!connection.isConnected())
        return false;
    QDBusReply<bool> reply
        = connection.call(WindowCall(className, QStringLiteral("IsActive")), QDBus::Block, BusNames::kCallTimeoutMs);
    return reply.isValid() && reply.value();
}

bool ActivateWindow(const QString& className)
{
    QDBusConnection connection = Connection();
    if (!connection.isConnected())
        return false;
    QDBusMessage reply
        = connection.call(WindowCall(className, QStringLiteral("Activate")), QDBus::Block, BusNames::kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool QuitWindow(const QString& className)
{
    QDBusConnection connection = Connection();
    if (!connection.isConnected())
        return false;
    QDBusMessage reply
        = connection.call(WindowCall(className, QStringLiteral("Quit")), QDBus::Block, BusNames::kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool PostCommand(const QString& className, uint id)
{
    QDBusConnection connection = Connection();
    if (!connection.isConnected() || !HasWindow(className))
        return false;
    QDBusMessage call = WindowCall(className, QStringLiteral("Command"));
    call << id;
    return connection.send(call);
}

} // namespace SessionBus
