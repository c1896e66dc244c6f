#include "CScreenSaverWatch.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

namespace {
const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kInterface = QStringLiteral("org.freedesktop.ScreenSaver");
} // namespace

CScreenSaverWatch::CScreenSaverWatch(const QDBusConnection& connection, QObject* parent)
    : QObject(parent), m_connection(connection)
{
    if (!m_connection.isConnected())
        return;
    m_connection.connect(kService, kPath, kInterface, QStringLiteral("ActiveChanged"), this,
                         SLOT(OnActiveChanged(bool)));
    auto* watcher = new QDBusServiceWatcher(kService, m_connection, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] { AskOnce(); });
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, &CScreenSaverWatch::OnServiceGone);
    AskOnce();
}

void CScreenSaverWatch::AskOnce()
{
    // Asked without waiting; the answer arrives on the event loop.
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetActive"));
    call.setAutoStartService(false);
    auto* watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call, 1000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        QDBusPendingReply<bool> reply = *w;
        if (reply.isValid())
            OnActiveChanged(reply.value());
        w->deleteLater();
    });
}

void CScreenSaverWatch::OnActiveChanged(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    emit ActiveChanged(active);
}

void CScreenSaverWatch::OnServiceGone() { OnActiveChanged(false); }
