#pragma once
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <array>
#include <functional>

class CContentCatalog;

/// The controller's tray icon: its normal frame and the flashing of a
/// reminder, its tooltip, and the tray menu, built afresh each time it is
/// about to show. Qt adds the icon again when a tray host appears later or
/// restarts.
class CStchIcon : public QObject {
    Q_OBJECT

public:
    static constexpr int kIconId = 3;
    static constexpr int kNormalIcon = 142;
    /// Icon resource ids by frame index; index 0 is the normal icon.
    static constexpr std::array<int, 9> kFrames = {142, 143, 144, 145, 146, 146, 145, 144, 143};
    /// Timer ticks (100 ms) a flashing frame stays.
    static constexpr int kTicksPerFrame = 2;

    struct Handlers {
        std::function<bool(int)> isEnabled; ///< whether the menu offers a 1500-1599 command now
        std::function<void(int)> command;   ///< a menu command for the main frame
        std::function<void()> launch;       ///< the tray launch request (double-click)
    };

    CStchIcon(CContentCatalog& catalog, Handlers handlers, QObject* parent = nullptr);
    /// Removes the icon from the tray.
    ~CStchIcon() override;

    /// Shows icon `resourceId` with its tooltip; 0 removes the icon.
    void ShowIcon(int resourceId);
    void NormalIcon();
    /// The next flashing frame: 1-8, then again from 1.
    void FlashStep();
    /// The icon id of the current frame.
    int CurrentIcon() const { return kFrames[size_t(m_frame)]; }
    /// The icon the tray shows now; 0 when none.
    int ShownIcon() const { return m_shown; }
    /// The main frame's timer tick, before the scheduler step: a new frame
    /// every kTicksPerFrame ticks while flashing, else back to the normal icon.
    void Tick(bool flashing);

    /// Fills `menu` with the tray commands and the stretch routines of the
    /// content library. False, with the menu left empty, when the routines
    /// cannot be listed.
    static bool BuildMenu(QMenu& menu, CContentCatalog& catalog, const Handlers& handlers);
    QMenu& Menu() { return m_menu; }
    const QSystemTrayIcon& Tray() const { return m_tray; }

private:
    void OnActivated(QSystemTrayIcon::ActivationReason reason);
    void RebuildMenu();

    CContentCatalog& m_catalog;
    Handlers m_handlers;
    QSystemTrayIcon m_tray;
    QMenu m_menu;
    std::array<QIcon, 5> m_icons;   ///< 142-146, loaded once
    std::array<QString, 5> m_tips;
    int m_frame = 0;
    int m_flashCounter = kTicksPerFrame;
    int m_shown = 0;
};
