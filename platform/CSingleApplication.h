#pragma once
#include <QString>

/// The single-instance guard of a program whose main window has the class
/// `name`: an exclusive flock on $XDG_RUNTIME_DIR/<name>SingleApplicationMutex,
/// held until the guard (or the process) goes. The other instance's main
/// window is reached over the session bus (SessionBus).
class CSingleApplication {
public:
    explicit CSingleApplication(const QString& name);
    virtual ~CSingleApplication();
    CSingleApplication(const CSingleApplication&) = delete;
    CSingleApplication& operator=(const CSingleApplication&) = delete;

    /// This process took the lock.
    bool IsFirstInstance() const { return m_firstInstance; }
    /// There is a main window of this class. A first instance that holds
    /// the lock but has not shown its window yet is waited for, up to
    /// kStartingWindowWaitMs.
    bool FindInstanceWindow() const;
    /// Hands over to the other instance: its window comes forward, restored,
    /// with its open dialog in front. False when there is none to ask.
    bool ActivateInstanceWindow() const;
    /// Ends the other instance's event loop at once. False when there is
    /// none to ask.
    bool QuitInstanceWindow() const;

    const QString& Name() const { return m_name; }
    /// Where the lock of `name` lives.
    static QString LockFilePath(const QString& name);

    static constexpr int kStartingWindowWaitMs = 3000;

private:
    QString m_name;
    int m_fd = -1;
    bool m_firstInstance = false;
};
