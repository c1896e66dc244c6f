#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

/// A private desktop for end-to-end tests: an Xvfb server, optionally a
/// window manager (openbox), a tray host (trayer) and a session bus
/// (dbus-daemon) with an accessibility bus (at-spi). Everything it starts is stopped by Stop() or the
/// destructor. Start() exports DISPLAY and DBUS_SESSION_BUS_ADDRESS into
/// this process's environment, so children inherit them.
class DesktopSession {
public:
    struct Options {
        bool x11 = true;
        bool windowManager = false;
        bool trayHost = false;
        bool sessionBus = true;
        /// An accessibility bus (AT-SPI) beside the session bus, so that
        /// programs started with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 can be
        /// read the way a screen reader reads them.
        bool accessibilityBus = false;
        QString screen = QStringLiteral("1024x768x24");
    };

    DesktopSession() = default;
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    /// Starts what the options ask for; false (with Error()) when any part fails.
    bool Start(const Options& options);
    bool Start() { return Start(Options{}); }
    void Stop();

    /// Stops only the X server (its clients see it vanish); StartX brings a
    /// new one up on the same display number.
    void StopX();
    bool StartX();

    QString Display() const { return m_display; }
    QString BusAddress() const { return m_busAddress; }
    QString Error() const { return m_error; }

    /// Runs a tool (xdotool, xwininfo, import...) against this display;
    /// returns its exit code, -1 when it could not run; output in *out.
    int Run(const QString& program, const QStringList& args, QByteArray* out = nullptr,
            int timeoutMs = 20000) const;

    /// Saves a screenshot of the root window as PNG (ImageMagick's import).
    bool Screenshot(const QString& pngPath) const;

private:
    bool StartBus();
    bool StartAccessibilityBus();
    bool StartHelper(const QString& program, const QStringList& args);

    std::unique_ptr<QProcess> m_xvfb;
    std::vector<std::unique_ptr<QProcess>> m_helpers;
    QProcess m_bus;
    qint64 m_busPid = 0;
    QString m_display;
    int m_displayNumber = -1;
    QString m_busAddress;
    QString m_error;
    QString m_screen;
    QByteArray m_oldDisplay, m_oldBus;
    bool m_exported = false;
};
