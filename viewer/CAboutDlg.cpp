#include "CAboutDlg.h"

#include "CStretchApp.h"
#include "CTopicPlayer.h"
#include "ViewerIds.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

CAboutDlg::CAboutDlg(CStretchApp* app, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_app(app)
    , m_surface(QSize(ViewerIds::kAboutWidth, ViewerIds::kAboutHeight),
                [this](const QRect& r) { QMetaObject::invokeMethod(this, [this, r] { update(r); }, Qt::QueuedConnection); })
{
    setWindowTitle(QStringLiteral("About Ovantis"));
    setFixedSize(ViewerIds::kAboutWidth, ViewerIds::kAboutHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setAccessibleName(QStringLiteral("About Ovantis"));
}

CAboutDlg::~CAboutDlg()
{
    {
        std::lock_guard lock(m_app->DrawLock());
        if (m_registered)
            m_app->SetAboutBox(nullptr);
    }
    m_player.reset();
}

void CAboutDlg::Run(CStretchApp* app, QWidget* parent)
{
    CAboutDlg box(app, parent);
    box.exec();
}

void CAboutDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_player)
        Initialise();
}

void CAboutDlg::Initialise()
{
    if (parentWidget())
        move(parentWidget()->geometry().center() - rect().center());
    auto player = std::make_unique<CTopicPlayer>(uint16_t(ViewerIds::kAboutTopic), &m_surface);
    // A missing topic 400 leaves the box blank; it still closes.
    std::lock_guard lock(m_app->DrawLock());
    if (player->Open())
        m_player = std::move(player);
    m_app->SetAboutBox(this);
    m_registered = true;
    if (m_player) {
        m_surface.SetPaintClip(rect());
        m_player->Paint(&m_surface);
        m_surface.ClearPaintClip();
    }
    m_readyToPaint = true;
}

void CAboutDlg::Tick()
{
    if (m_player)
        m_player->TickOn(&m_surface);
}

void CAboutDlg::paintEvent(QPaintEvent* event)
{
    if (!m_readyToPaint)
        return;
    std::lock_guard lock(m_app->DrawLock());
    m_surface.SetPaintClip(event->rect());
    if (m_player)
        m_player->Paint(&m_surface);
    m_surface.ClearPaintClip();
    QPainter painter(this);
    painter.drawImage(event->rect(), m_surface.Image(), event->rect());
}

void CAboutDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (m_player)
        m_player->SetMouse(0, int(event->position().x()), int(event->position().y()));
    QDialog::mouseMoveEvent(event);
}

void CAboutDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        accept();
    QDialog::mousePressEvent(event);
}

void CAboutDlg::keyPressEvent(QKeyEvent* event)
{
    accept();
    QDialog::keyPressEvent(event);
}
