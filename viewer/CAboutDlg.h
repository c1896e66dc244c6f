#pragma once
#include "CWindowSurfaceDC.h"

#include <QDialog>
#include <memory>

class CStretchApp;
class CTopicPlayer;

/// The About box: plays topic 400 and closes on a click or a key.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    CAboutDlg(CStretchApp* app, QWidget* parent);
    ~CAboutDlg() override;

    /// The About command: shows the box modally.
    static void Run(CStretchApp* app, QWidget* parent);

    /// With the drawing lock held (tick thread).
    void Tick();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Initialise();

    CStretchApp* m_app;
    CWindowSurfaceDC m_surface;
    std::unique_ptr<CTopicPlayer> m_player;
    bool m_readyToPaint = false;
    bool m_registered = false;
};
