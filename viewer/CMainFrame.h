#pragma once
#include <QMainWindow>
#include <QPoint>
#include <QSize>
#include <memory>

class CBusBroadcast;
class CBusWindow;
class CContentCatalog;
class CStretchApp;
class CStretchView;
class QAction;
class QMenu;

/// The viewer's main window: a fixed-size frame with the menu bar and the
/// view. It owns the viewer's name on the session bus, hears the
/// broadcasts and tells the controller about its life and activation.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(CStretchApp* app);
    ~CMainFrame() override;

    /// Builds menus and view, takes the bus name, listens and posts code 5.
    /// False when the frame cannot be made.
    bool Create();

    CStretchView* View() const { return m_view; }

    /// Fills "&Stretches", "&Topics" and "&Help" from the catalogue, walking
    /// the top-level menus from the last to the first; false when a filler
    /// fails.
    bool FillTopicMenus(CContentCatalog* catalog);
    /// The "&Stretches" or "&Topics" submenu holding an item with this
    /// command id, walked from the last top-level menu to the first.
    QMenu* FindTopicMenu(int commandId) const;
    /// The item of `commandId`, or of the next lower id down to 1000.
    QAction* FindTopicItem(int commandId) const;
    /// Checks or unchecks that item; false when there is none.
    bool CheckTopicItem(int commandId, bool checked);
    /// "Ovantis - <name>" for the topic, from list 202 or 302.
    void SetTitleFor(int topicId);

    /// Runs a menu, button or bus command.
    void OnCommand(int id);
    /// Posts "OvantisToCtrlMsg" with this code.
    void PostToController(unsigned code);
    /// A mouse press in the view or the menu bar (for click activation).
    void NoteMousePress();

    /// The frame's outer top-left for a saved position: the saved one unless
    /// any part of the window would lie off the screen, else centred.
    static QPoint InitialPosition(int lastX, int lastY, const QSize& window, const QSize& screen);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    void OnBroadcast(int message, uint wParam, int lParam);
    void BringForward();
    void OnHelp(int item);
    QPoint OuterPosition() const;
    void PlaceOnce();

    CStretchApp* m_app;
    CStretchView* m_view = nullptr; // child widget
    std::unique_ptr<CBusWindow> m_busWindow;
    std::unique_ptr<CBusBroadcast> m_broadcast;
    bool m_wasActive = false;
    bool m_pressPending = false; // a press that may have activated the frame
    qint64 m_activatedAtMs = -1;
    QPoint m_intendedPosition;      // outer corner asked for at start-up
    QPoint m_placedGeometry;         // geometry().topLeft() once placed
    bool m_placed = false;
};
