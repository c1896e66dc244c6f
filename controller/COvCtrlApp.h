#pragma once
#include "CContentCatalog.h"
#include "CSettingsStore.h"
#include "CSingleApplication.h"

#include <QString>
#include <QStringList>
#include <memory>

class CMainFrame;

/// The controller program: content catalogue, hooks, instance guard and
/// settings, the start-up steps and the shut-down.
class COvCtrlApp {
public:
    /// Loads the content library, installs the hooks, takes the guard and
    /// starts the reminder cycle.
    COvCtrlApp();
    /// Removes the hooks and frees the content library.
    ~COvCtrlApp();
    COvCtrlApp(const COvCtrlApp&) = delete;
    COvCtrlApp& operator=(const COvCtrlApp&) = delete;

    /// The start-up steps; false when the program is to end now.
    bool InitInstance(const QStringList& arguments);

    CMainFrame* MainFrame() const { return m_frame.get(); }

    /// The viewer beside the controller's own executable.
    static QString ViewerPath();
    static constexpr const char* kAutostartName = "ovctrl";

private:
    void InstallAutostart();
    void Remove();
    void Message(const QString& text);

    CContentCatalog m_catalog;
    std::unique_ptr<CSingleApplication> m_guard;
    CSettingsStore m_store;
    std::unique_ptr<CMainFrame> m_frame;
};
