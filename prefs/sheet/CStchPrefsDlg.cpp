#include "CStchPrefsDlg.h"

#include "AppResources.h"
#include "CActivationDlg.h"
#include "CHotKeyDlg.h"
#include "CNotificationDlg.h"
#include "CPrefsPage.h"
#include "CSequenceDlg.h"
#include "CSettingsStore.h"
#include "MessageCodes.h"
#include "PrefsStrings.h"

#include <QDialogButtonBox>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kLogoPicture = 153;
constexpr int kMargin = 7;
constexpr int kTabHeight = 378; // the buttons' row starts at the logo's top
// How long a sheet waits for the window manager to frame and place it: a
// few seconds at most, and done once the frame has kept its place a while.
constexpr int kFrameWaitStepMs = 50;
constexpr int kFrameWaitSteps = 100;
constexpr int kFrameSettledSteps = 6;
constexpr int kFrameAskSteps = 10;

} // namespace

CStchPrefsDlg::CStchPrefsDlg(CSettingsStore& store, PrefsServices services, QWidget* parent)
    : QDialog(parent), m_store(store), m_services(std::move(services))
{
    setWindowTitle(PrefsStrings::Caption());
    setAccessibleName(PrefsStrings::Caption());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(kLogoPosition.y() - kMargin - kTabHeight);
    m_tabs = new QTabWidget;
    m_tabs->setFixedHeight(kTabHeight);
    layout->addWidget(m_tabs);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply);
    m_apply = buttons->button(QDialogButtonBox::Apply);
    m_apply->setEnabled(false);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_apply, &QPushButton::clicked, this, [this] {
        // As before OK: the page shown checks its controls first.
        if (!m_pages[size_t(m_currentTab)]->OnKillActive())
            return;
        ApplyAll();
        UpdateApply();
    });

    AddPage(new CActivationDlg(m_store, &m_noMethod, m_services.postToCtrl), QStringLiteral("How to Activate"));
    AddPage(new CNotificationDlg(m_store, &m_noMethod, m_services.postToCtrl), QStringLiteral("How to Notify"));
    AddPage(new CSequenceDlg(m_store, m_services.postToCtrl), QStringLiteral("Sequence of Routines"));
    AddPage(new CHotKeyDlg(m_store, m_services.setHotKey), QStringLiteral("Hot Key"));
    connect(m_tabs, &QTabWidget::currentChanged, this, &CStchPrefsDlg::OnTabChanged);
    // Ctrl+Tab turns the pages wherever the focus is: left to the focused
    // control, a list that searches as it is typed in takes it as a letter.
    const auto turn = [this](int step) {
        const int count = m_tabs->count();
        m_tabs->setCurrentIndex((m_tabs->currentIndex() + step + count) % count);
    };
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, [turn] { turn(+1); });
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                                     QKeySequence(Qt::CTRL | Qt::Key_PageUp)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, [turn] { turn(-1); });
    m_services.postToCtrl(MessageCodes::kPrefsOpened, 0);
}

CStchPrefsDlg::~CStchPrefsDlg()
{
    Finish();
}

void CStchPrefsDlg::AddPage(CPrefsPage* page, const QString& title)
{
    m_pages.push_back(page);
    m_tabs->addTab(page, title);
    connect(page, &CPrefsPage::ModifiedChanged, this, &CStchPrefsDlg::UpdateApply);
}

void CStchPrefsDlg::showEvent(QShowEvent* event)
{
    if (!m_shown) {
        m_shown = true;
        m_logo.Load(AppResources::Picture(kLogoPicture));
        m_services.enableHotKey(0);
        const int x = m_store.ReadInt(Settings::kLastPrefsX, SettingReader::Page);
        const int y = m_store.ReadInt(Settings::kLastPrefsY, SettingReader::Page);
        if (x != -1 && y != -1)
            PlaceFrameAt(QPoint(x, y));
        m_pages[size_t(m_tabs->currentIndex())]->Initialise();
    }
    QDialog::showEvent(event);
}

void CStchPrefsDlg::PlaceFrameAt(const QPoint& frameTopLeft)
{
    // The stored place is the frame's top-left, as it is saved. Until the
    // window manager has framed the window its frame is not known and a
    // move puts the client area there, which would creep the sheet up by a
    // title bar at every opening. So the sheet is moved again once the frame
    // shows, and again if the window manager's first placement comes after
    // that, until the frame has stayed where it was left for a moment.
    move(frameTopLeft);
    auto* timer = new QTimer(this);
    timer->setInterval(kFrameWaitStepMs);
    connect(timer, &QTimer::timeout, this, [this, timer, frameTopLeft, steps = 0, settled = 0]() mutable {
        const bool framed = frameGeometry() != geometry();
        if (framed && frameGeometry().topLeft() != frameTopLeft) {
            settled = 0;
            move(frameTopLeft);
        } else if (framed) {
            ++settled;
        } else if (steps % kFrameAskSteps == kFrameAskSteps - 1) {
            // Qt reads the frame again only after the window was configured:
            // one that looked before the frame came keeps seeing none. A
            // pixel's move there and back makes it look again.
            move(pos() + QPoint(1, 0));
            move(pos() - QPoint(1, 0));
        }
        if (settled >= kFrameSettledSteps || ++steps >= kFrameWaitSteps) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

void CStchPrefsDlg::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    m_logo.Draw(painter, kLogoPosition);
}

void CStchPrefsDlg::OnTabChanged(int index)
{
    if (m_switching)
        return;
    if (!m_pages[size_t(m_currentTab)]->OnKillActive()) {
        // The page keeps the user: go back without asking again.
        m_switching = true;
        m_tabs->setCurrentIndex(m_currentTab);
        m_switching = false;
        return;
    }
    m_currentTab = index;
    m_pages[size_t(index)]->Initialise();
}

bool CStchPrefsDlg::ApplyAll()
{
    for (size_t i = 0; i < m_pages.size(); ++i) {
        CPrefsPage* page = m_pages[i];
        if (!page->IsInitialised())
            continue;
        if (!page->CanApply()) {
            // The refusing page is shown so that the user can mend it.
            m_switching = true;
            m_tabs->setCurrentIndex(int(i));
            m_switching = false;
            m_currentTab = int(i);
            return false;
        }
        page->OnApply();
    }
    return true;
}

void CStchPrefsDlg::UpdateApply()
{
    bool modified = false;
    for (CPrefsPage* page : m_pages)
        modified = modified || page->IsModified();
    m_apply->setEnabled(modified);
}

void CStchPrefsDlg::done(int result)
{
    if (result == QDialog::Accepted) {
        if (!m_pages[size_t(m_currentTab)]->OnKillActive())
            return;
        if (!ApplyAll())
            return;
    }
    Finish();
    QDialog::done(result);
}

void CStchPrefsDlg::Finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_services.postToCtrl(MessageCodes::kPrefsClosed, 0);
    if (m_shown) {
        const QRect frame = frameGeometry();
        m_store.WriteInt(Settings::kLastPrefsX, frame.left());
        m_store.WriteInt(Settings::kLastPrefsY, frame.top());
    }
    m_services.enableHotKey(m_store.ReadInt(Settings::kHotKeyEnable, SettingReader::Page) != 0 ? 1 : 0);
}
