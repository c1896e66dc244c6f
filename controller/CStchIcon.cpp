#include "CStchIcon.h"

#include "AppResources.h"
#include "CContentCatalog.h"
#include "ControllerLog.h"
#include "Windows1252.h"

#include <QTimer>

namespace {

constexpr int kFirstIcon = 142;
constexpr int kLastIcon = 146;

struct TrayCommand {
    int id;       ///< command id, 0 for a separator
    int stringId; ///< its text
};
// Around the routines, which go in at the marker (-1).
constexpr TrayCommand kTrayMenu[] = {
    {1500, 32772}, {1501, 32777}, {0, 0}, {1502, 32778}, {1503, 32779}, {1504, 32780},
    {0, 0},        {-1, 0},       {0, 0}, {1514, 32781},
};
constexpr int kFirstSchedulerCommand = 1500;
constexpr int kLastSchedulerCommand = 1599;

} // namespace

CStchIcon::CStchIcon(CContentCatalog& catalog, Handlers handlers, QObject* parent)
    : QObject(parent), m_catalog(catalog), m_handlers(std::move(handlers))
{
    for (int id = kFirstIcon; id <= kLastIcon; ++id) {
        m_icons[size_t(id - kFirstIcon)] = AppResources::Icon(id);
        m_tips[size_t(id - kFirstIcon)] = AppResources::String(id);
    }
    // Hosts that read the menu ahead of time get it filled too.
    RebuildMenu();
    connect(&m_menu, &QMenu::aboutToShow, this, &CStchIcon::RebuildMenu);
    m_tray.setContextMenu(&m_menu);
    connect(&m_tray, &QSystemTrayIcon::activated, this, &CStchIcon::OnActivated);
}

CStchIcon::~CStchIcon() { ShowIcon(0); }

void CStchIcon::ShowIcon(int resourceId)
{
    if (resourceId == 0) {
        m_tray.hide();
        m_shown = 0;
        return;
    }
    if (resourceId < kFirstIcon || resourceId > kLastIcon || resourceId == m_shown)
        return;
    const size_t i = size_t(resourceId - kFirstIcon);
    m_tray.setIcon(m_icons[i]);
    m_tray.setToolTip(m_tips[i]);
    if (!m_tray.isVisible())
        m_tray.show();
    m_shown = resourceId;
    qCDebug(lcController) << "icon" << resourceId;
}

void CStchIcon::NormalIcon()
{
    m_frame = 0;
    ShowIcon(kNormalIcon);
}

void CStchIcon::FlashStep()
{
    m_frame = (m_frame + 1) % int(kFrames.size());
    if (m_frame == 0)
        m_frame = 1;
    ShowIcon(CurrentIcon());
}

void CStchIcon::Tick(bool flashing)
{
    if (flashing) {
        if (--m_flashCounter <= 0) {
            FlashStep();
            m_flashCounter = kTicksPerFrame;
        }
    } else if (CurrentIcon() != kNormalIcon || m_shown != kNormalIcon) {
        NormalIcon();
    }
}

bool CStchIcon::BuildMenu(QMenu& menu, CContentCatalog& catalog, const Handlers& handlers)
{
    menu.clear();
    catalog.ScanStretches();
    std::vector<CContentCatalog::MenuItem> routines;
    if (!catalog.StretchMenuItems(&routines))
        return false;
    auto add = [&](int id, const QString& text) {
        QAction* action = menu.addAction(text);
        action->setData(id);
        const bool scheduler = id >= kFirstSchedulerCommand && id <= kLastSchedulerCommand;
        action->setEnabled(!scheduler || !handlers.isEnabled || handlers.isEnabled(id));
        QObject::connect(action, &QAction::triggered, &menu, [command = handlers.command, id] {
            if (command)
                command(id);
        });
        return action;
    };
    for (const TrayCommand& item : kTrayMenu) {
        if (item.id == 0) {
            menu.addSeparator();
        } else if (item.id < 0) {
            for (const CContentCatalog::MenuItem& routine : routines) {
                if (routine.separator)
                    menu.addSeparator();
                else
                    add(routine.commandId, FromWindows1252(routine.text));
            }
        } else {
            QAction* action = add(item.id, AppResources::String(item.stringId));
            if (item.id == kTrayMenu[0].id)
                menu.setDefaultAction(action);
        }
    }
    return true;
}

void CStchIcon::RebuildMenu()
{
    if (BuildMenu(m_menu, m_catalog, m_handlers))
        return;
    qCInfo(lcController) << "no tray menu: the routines' names do not match the routines";
    // The menu is already on its way up when it is found empty.
    if (m_menu.isVisible() || sender() == &m_menu)
        QTimer::singleShot(0, &m_menu, &QMenu::hide);
}

void CStchIcon::OnActivated(QSystemTrayIcon::ActivationReason reason)
{
    // An XEmbed tray reports double-clicks (after a single click); a
    // StatusNotifierItem host reports only activations, and only such an
    // icon has no geometry of its own.
    const bool singleClickHost = m_tray.geometry().isEmpty();
    if (reason == QSystemTrayIcon::DoubleClick || (reason == QSystemTrayIcon::Trigger && singleClickHost)) {
        if (m_handlers.launch)
            m_handlers.launch();
    }
}
