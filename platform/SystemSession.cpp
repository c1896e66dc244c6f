#include "SystemSession.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>

namespace SystemSession {

bool StartDetached(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}

bool RequestRestart()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Reboot"));
    call << true; // interactive: logind may ask for authorisation
    return bus.send(call);
}

} // namespace SystemSession
