#pragma once
#include <QDBusConnection>
#include <QObject>

/// The three broadcasts between the programs, as signals on the session
/// bus. Posting never waits; every program that listens receives each
/// broadcast, the sender included, in the order they were posted.
class CBusBroadcast : public QObject {
    Q_OBJECT

public:
    enum Message { ToCtrl, ToApp, ToDrvr };

    /// Listens on SessionBus::Connection() unless another connection is given.
    explicit CBusBroadcast(QObject* parent = nullptr);
    CBusBroadcast(const QDBusConnection& connection, QObject* parent = nullptr);
    ~CBusBroadcast() override;

    /// Starts receiving the given broadcast; false when there is no bus.
    bool Listen(Message message);

    /// Posts one broadcast; false when it could not be handed to the bus.
    bool Post(Message message, uint wParam, int lParam = 0);
    /// The same on the process's connection.
    static bool PostOn(const QDBusConnection& connection, Message message, uint wParam, int lParam = 0);

    /// Waits (bounded) until everything posted so far has reached the bus,
    /// so that it is not lost when the process ends right after.
    bool Flush();

    /// The signal member of each message ("OvantisToCtrlMsg"...).
    static QString MemberName(Message message);

signals:
    void Received(CBusBroadcast::Message message, uint wParam, int lParam);

private slots:
    void OnToCtrl(uint wParam, int lParam) { emit Received(ToCtrl, wParam, lParam); }
    void OnToApp(uint wParam, int lParam) { emit Received(ToApp, wParam, lParam); }
    void OnToDrvr(uint wParam, int lParam) { emit Received(ToDrvr, wParam, lParam); }

private:
    QDBusConnection m_connection;
    bool m_listening[3] = {false, false, false};
};
