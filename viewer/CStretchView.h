#pragma once
#include "CWindowSurfaceDC.h"

#include <QRegion>
#include <QWidget>
#include <array>
#include <memory>

class CMainFrame;
class CMoreList;
class CStretchApp;
class CTabButton;
class CTopicPlayer;
class QPagedPaintDevice;

/// The viewer's page: shows the current topic through a topic player, with
/// Prev, Next, Exit and the "More" list below it, and turns keys and the
/// mouse into navigation or into input for the topic's triggers.
class CStretchView : public QWidget {
    Q_OBJECT

public:
    CStretchView(CStretchApp* app, CMainFrame* frame);
    ~CStretchView() override;

    int CurrentTopic() const { return m_currentTopic; }
    int NavigationPosition() const { return m_navigationPosition; }
    /// Sets the current topic and the navigation position.
    void SetCurrentTopic(int topicId);

    /// Command ids 1200-1399: shows topic id - 1000 unless it is shown.
    void SelectTopic(int commandId);
    /// Next, Prev and Exit.
    void OnCommand(int id);
    /// Ctrl+P: the print dialog, then one page.
    void OnFilePrint();
    /// Prints the current topic on one page of `device`; false when nothing
    /// could be drawn.
    bool PrintTo(QPagedPaintDevice* device);

    /// With the drawing lock held (tick thread).
    bool HasPlayer() const { return m_player != nullptr; }
    void Tick();

    /// Keys the child controls pass on: Tab, Shift+Tab, Enter and the paging
    /// keys. True when handled.
    bool ForwardKey(QKeyEvent* event);
    /// A mouse button went down on one of the view's buttons.
    void NoteButtonPress();

    // For the frame and for tests.
    CMoreList* MoreList() const { return m_moreList; }
    CTabButton* Button(int commandId) const;
    CTabButton* DefaultButton() const { return m_defaultButton; }
    CTopicPlayer* Player() const { return m_player.get(); }
    /// A copy of what the page shows (takes the drawing lock).
    QImage Snapshot();

    static constexpr QRect kExitRect{540, 385, 60, 20};
    static constexpr QRect kNextRect{460, 385, 60, 20};
    static constexpr QRect kPrevRect{380, 385, 60, 20};
    static constexpr QRect kListRect{90, 383, 270, 24};

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void CreateControls();
    void UpdateButtons();
    void SetFocusToIndex();
    void StepFocus(bool backwards);
    void PassMouse(QMouseEvent* event);
    void RequestRepaint(const QRect& rect);

    static constexpr int kControlCount = 4;

    CStretchApp* m_app;
    CMainFrame* m_frame;
    int m_currentTopic = 0;
    int m_navigationPosition = 0;
    CWindowSurfaceDC m_surface;
    std::unique_ptr<CTopicPlayer> m_player;
    std::unique_ptr<CTopicPlayer> m_printPlayer;
    CTabButton* m_exit = nullptr; // children of the view
    CTabButton* m_next = nullptr;
    CTabButton* m_prev = nullptr;
    CMoreList* m_moreList = nullptr;
    QRegion m_controlsRegion;
    bool m_controlsCreated = false;
    std::array<QWidget*, kControlCount> m_tabOrder{};
    int m_focusIndex = 0;
    CTabButton* m_defaultButton = nullptr;
};
