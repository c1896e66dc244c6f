#include "CBusWindow.h"

#include "BusNames.h"
#include "SessionBus.h"

#include <QDBusMessage>
#include <QDBusReply>
#include <QMetaObject>

namespace {
// RequestName flags and answers of the bus.
constexpr uint kDoNotQueue = 4;
constexpr uint kPrimaryOwner = 1;
constexpr uint kAlreadyOwner = 4;
} // namespace

CBusWindow::CBusWindow(const QString& className, Handlers handlers, QObject* parent)
    : CBusWindow(className, std::move(handlers), SessionBus::Connection(), parent)
{
}

CBusWindow::CBusWindow(const QString& className, Handlers handlers, const QDBusConnection& connection,
                       QObject* parent)
    : QObject(parent)
    , m_service(SessionBus::ServiceName(className))
    , m_handlers(std::move(handlers))
    , m_connection(connection)
{
}

CBusWindow::~CBusWindow()
{
    if (m_registered) {
        QDBusMessage call = SessionBus::BusDaemonCall(QStringLiteral("ReleaseName"));
        call << m_service;
        m_connection.call(call, QDBus::Block, BusNames::kCallTimeoutMs);
    }
    if (m_objectRegistered)
        m_connection.unregisterObject(QString::fromLatin1(BusNames::kObjectPath));
}

bool CBusWindow::Register()
{
    if (m_registered)
        return true;
    if (!m_connection.isConnected())
        return false;
    if (!m_objectRegistered)
        m_objectRegistered = m_connection.registerObject(QString::fromLatin1(BusNames::kObjectPath), this,
                                                         QDBusConnection::ExportScriptableSlots);
    if (!m_objectRegistered)
        return false;
    // RequestName by hand: the library's own call waits for as long as the
    // bus takes.
    QDBusMessage call = SessionBus::BusDaemonCall(QStringLiteral("RequestName"));
    call << m_service << kDoNotQueue;
    QDBusReply<uint> reply = m_connection.call(call, QDBus::Block, BusNames::kCallTimeoutMs);
    m_registered = reply.isValid() && (reply.value() == kPrimaryOwner || reply.value() == kAlreadyOwner);
    return m_registered;
}

bool CBusWindow::IsActive()
{
    return m_handlers.isActive && m_handlers.isActive();
}

void CBusWindow::Activate()
{
    QMetaObject::invokeMethod(this, [this] { if (m_handlers.activate) m_handlers.activate(); },
                              Qt::QueuedConnection);
}

void CBusWindow::Quit()
{
    QMetaObject::invokeMethod(this, [this] { if (m_handlers.quit) m_handlers.quit(); }, Qt::QueuedConnection);
}

void CBusWindow::Command(uint id)
{
    QMetaObject::invokeMethod(this, [this, id] { if (m_handlers.command) m_handlers.command(id); },
                              Qt::QueuedConnection);
}
