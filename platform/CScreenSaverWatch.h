#pragma once
#include <QDBusConnection>
#include <QObject>

/// Whether a screen saver is in front, from org.freedesktop.ScreenSaver on
/// the session bus: its ActiveChanged signal keeps the state current, so
/// reading it asks nobody. Without the service there is no screen saver.
class CScreenSaverWatch : public QObject {
    Q_OBJECT

public:
    explicit CScreenSaverWatch(const QDBusConnection& connection, QObject* parent = nullptr);

    bool IsActive() const { return m_active; }

signals:
    void ActiveChanged(bool active);

private slots:
    void OnActiveChanged(bool active);
    void OnServiceGone();

private:
    void AskOnce();

    QDBusConnection m_connection;
    bool m_active = false;
};
