#include "CBusBroadcast.h"

#include "BusNames.h"
#include "SessionBus.h"

#include <QDBusMessage>

namespace {
const char* const kSlots[] = {SLOT(OnToCtrl(uint, int)), SLOT(OnToApp(uint, int)), SLOT(OnToDrvr(uint, int))};
} // namespace

CBusBroadcast::CBusBroadcast(QObject* parent)
    : CBusBroadcast(SessionBus::Connection(), parent)
{
}

CBusBroadcast::CBusBroadcast(const QDBusConnection& connection, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
{
}

CBusBroadcast::~CBusBroadcast()
{
    for (int m = ToCtrl; m <= ToDrvr; ++m) {
        if (m_listening[m])
            m_connection.disconnect(QString(), QString::fromLatin1(BusNames::kObjectPath),
                                    QString::fromLatin1(BusNames::kBroadcastInterface),
                                    MemberName(Message(m)), this, kSlots[m]);
    }
}

QString CBusBroadcast::MemberName(Message message)
{
    switch (message) {
    case ToCtrl: return QString::fromLatin1(BusNames::kToCtrlMsg);
    case ToApp: return QString::fromLatin1(BusNames::kToAppMsg);
    case ToDrvr: return QString::fromLatin1(BusNames::kToDrvrMsg);
    }
    return {};
}

bool CBusBroadcast::Listen(Message message)
{
    if (m_listening[message])
        return true;
    if (!m_connection.isConnected())
        return false;
    m_listening[message] = m_connection.connect(QString(), QString::fromLatin1(BusNames::kObjectPath),
                                                QString::fromLatin1(BusNames::kBroadcastInterface),
                                                MemberName(message), this, kSlots[message]);
    return m_listening[message];
}

bool CBusBroadcast::Post(Message message, uint wParam, int lParam)
{
    return PostOn(m_connection, message, wParam, lParam);
}

bool CBusBroadcast::PostOn(const QDBusConnection& connection, Message message, uint wParam, int lParam)
{
    if (!connection.isConnected())
        return false;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(BusNames::kObjectPath),
                                                     QString::fromLatin1(BusNames::kBroadcastInterface),
                                                     MemberName(message));
    signal << wParam << lParam;
    return connection.send(signal);
}

bool CBusBroadcast::Flush()
{
    if (!m_connection.isConnected())
        return false;
    // Messages leave a connection in order: once the bus answers this
    // call, every earlier broadcast has been handed to it.
    QDBusMessage ping = SessionBus::BusDaemonCall(QStringLiteral("GetId"));
    return m_connection.call(ping, QDBus::Block, BusNames::kCallTimeoutMs).type() == QDBusMessage::ReplyMessage;
}
