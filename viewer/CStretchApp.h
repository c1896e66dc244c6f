#pragma once
#include "CContentCatalog.h"
#include "CSettingsStore.h"
#include "CSingleApplication.h"

#include <QRegion>
#include <QStringList>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class CAboutDlg;
class CMainFrame;
class CStretchView;
class CStretchDoc;

/// An event that, once signalled, stays signalled; waits are bounded.
class CStopEvent {
public:
    void Signal();
    bool IsSignalled() const;
    /// True when signalled within `timeout`.
    bool WaitFor(std::chrono::milliseconds timeout) const;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_signalled = false;
};

/// The viewer's application: start-up and shut-down, the content catalogue,
/// the single-instance guard, the drawing lock, the stop event and the tick
/// thread that drives every topic player.
class CStretchApp {
public:
    CStretchApp();
    ~CStretchApp();
    CStretchApp(const CStretchApp&) = delete;
    CStretchApp& operator=(const CStretchApp&) = delete;

    /// The one application object, or null.
    static CStretchApp* Get() { return s_app; }

    /// Start-up with the program's arguments (program path first). False
    /// means the process ends without a window.
    bool InitInstance(const QStringList& arguments);
    /// Writes back what the viewer remembers; call after the event loop.
    void ExitInstance();

    /// One animation step (tick thread only): 0 once the stop event ended
    /// the wait for the drawing lock.
    int OnTick();
    /// The Preferences command.
    void OnPreferences();

    CContentCatalog& Catalog() { return m_catalog; }
    CSettingsStore& Settings() { return m_settings; }
    CMainFrame* Frame() const { return m_frame.get(); }
    CStretchView* View() const { return m_view; }
    /// The drawing lock: serialises every use of a topic player.
    std::timed_mutex& DrawLock() { return m_drawLock; }
    CStopEvent& StopEvent() { return m_stop; }

    /// Set by the view (construction and destruction), under the lock.
    void SetView(CStretchView* view) { m_view = view; }
    void SetControlsRegion(const QRegion* region) { m_controlsRegion = region; }
    const QRegion* ControlsRegion() const { return m_controlsRegion; }
    /// The About box shown, registered under the drawing lock.
    void SetAboutBox(CAboutDlg* box) { m_aboutBox = box; }

    int LastWindowX() const { return m_lastX; }
    int LastWindowY() const { return m_lastY; }
    void SetLastWindowPosition(int x, int y)
    {
        m_lastX = x;
        m_lastY = y;
    }
    bool PreferencesOpen() const { return m_prefsOpen; }

    /// "-REMOVE" anywhere in the upper-cased command line.
    static bool HasRemoveSwitch(const QStringList& arguments);

private:
    bool ColourCheck();
    void ControllerCheck();
    bool FillMenus();
    void CheckStartTopic();
    void RunTicks();

    static CStretchApp* s_app;

    CContentCatalog m_catalog;
    CSingleApplication m_guard;
    CSettingsStore m_settings;
    std::timed_mutex m_drawLock;
    CStopEvent m_stop;
    std::thread m_tickThread;

    std::unique_ptr<CStretchDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    CStretchView* m_view = nullptr;          // owned by the frame
    const QRegion* m_controlsRegion = nullptr; // owned by the view
    CAboutDlg* m_aboutBox = nullptr;          // lives on the About command's stack
    int m_lastX = -1;
    int m_lastY = -1;
    bool m_prefsOpen = false;
    bool m_windowClassRegistered = false;
};
