#pragma once
#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>

/// Stands in for a program's main window on a private session bus: owns a
/// well-known name and records every Command(u) it is sent.
class CommandListener : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.halvornpress.Ovantis.Window")

public:
    /// Connects to the bus at address under its own connection name.
    CommandListener(const QString& address, const QString& connectionName)
        : m_connection(QDBusConnection::connectToBus(address, connectionName))
    {
    }
    ~CommandListener() override
    {
        Release();
        QDBusConnection::disconnectFromBus(m_connection.name());
    }

    bool IsConnected() const { return m_connection.isConnected(); }

    /// Takes the service name and serves the object path; false on failure.
    bool Own(const QString& service)
    {
        m_service = service;
        return m_connection.registerObject("/org/halvornpress/Ovantis", this,
                                           QDBusConnection::ExportScriptableSlots)
            && m_connection.registerService(service);
    }
    void Release()
    {
        if (m_service.isEmpty())
            return;
        m_connection.unregisterService(m_service);
        m_connection.unregisterObject("/org/halvornpress/Ovantis");
        m_service.clear();
    }

    QList<uint> Received() const { return m_received; }
    void Clear() { m_received.clear(); }

public slots:
    Q_SCRIPTABLE void Command(uint id) { m_received.append(id); }

private:
    QDBusConnection m_connection;
    QString m_service;
    QList<uint> m_received;
};
