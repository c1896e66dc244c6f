#pragma once
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>

/// A program's main window on the session bus: owns
/// org.halvornpress.<className> and serves org.halvornpress.Ovantis.Window
/// at /org/halvornpress/Ovantis. The handlers run on the thread that owns
/// this object (the user-interface thread); Activate, Quit and Command are
/// queued there, so a caller gets its answer at once.
class CBusWindow : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.halvornpress.Ovantis.Window")

public:
    struct Handlers {
        std::function<bool()> isActive;       ///< the main window or a dialog of it is active
        std::function<void()> activate;       ///< bring the window, restored, to the front
        std::function<void()> quit;           ///< end the event loop at once
        std::function<void(uint id)> command; ///< run this command on the main window
    };

    /// Serves on SessionBus::Connection() unless another connection is given.
    CBusWindow(const QString& className, Handlers handlers, QObject* parent = nullptr);
    CBusWindow(const QString& className, Handlers handlers, const QDBusConnection& connection,
               QObject* parent = nullptr);
    ~CBusWindow() override;

    /// Serves the object and takes the service name; false when there is no
    /// bus or another program holds the name.
    bool Register();
    bool IsRegistered() const { return m_registered; }

public slots:
    Q_SCRIPTABLE bool IsActive();
    Q_SCRIPTABLE void Activate();
    Q_SCRIPTABLE void Quit();
    Q_SCRIPTABLE void Command(uint id);

private:
    QString m_service;
    Handlers m_handlers;
    QDBusConnection m_connection;
    bool m_objectRegistered = false;
    bool m_registered = false;
};
