#include "CStretchApp.h"

#include "AppResources.h"
#include "BusNames.h"
#include "CAboutDlg.h"
#include "CMainFrame.h"
#include "CStretchDoc.h"
#include "CStchPrefsDlg.h"
#include "CStretchView.h"
#include "OvantisHook.h"
#include "SessionBus.h"
#include "SettingsTable.h"
#include "ViewerIds.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>

namespace {
const char* const kCaption = "Stretch";
const char* const kNeedsColour = "Ovantis requires color graphics.";
const char* const kAskInstall
    = "The stretch control application is not loaded.  You will not be notified when to stretch if this "
      "program is not loaded.  Do you wish to install the stretch control application?";
const char* const kControllerNotFound = "The Stretch control application could not be found.";
const char* const kControllerProgram = "ovctrl";
} // namespace

void CStopEvent::Signal()
{
    {
        std::lock_guard lock(m_mutex);
        m_signalled = true;
    }
    m_changed.notify_all();
}

bool CStopEvent::IsSignalled() const
{
    std::lock_guard lock(m_mutex);
    return m_signalled;
}

bool CStopEvent::WaitFor(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return m_signalled; });
}

CStretchApp* CStretchApp::s_app = nullptr;

CStretchApp::CStretchApp()
    : m_guard(QString::fromLatin1(BusNames::kViewerClass))
{
    s_app = this;
    EnableHotKey(0);
}

CStretchApp::~CStretchApp()
{
    m_stop.Signal();
    if (m_tickThread.joinable())
        m_tickThread.join();
    m_frame.reset();
    if (m_settings.ReadInt(Settings::kHotKeyEnable, SettingReader::Viewer) != 0)
        EnableHotKey(1);
    s_app = nullptr;
}

bool CStretchApp::HasRemoveSwitch(const QStringList& arguments)
{
    return arguments.join(QLatin1Char(' ')).toUpper().contains(QStringLiteral("-REMOVE"));
}

bool CStretchApp::InitInstance(const QStringList& arguments)
{
    if (HasRemoveSwitch(arguments)) {
        if (!m_guard.IsFirstInstance())
            m_guard.QuitInstanceWindow();
        return false;
    }
    if (!m_guard.IsFirstInstance()) {
        m_guard.ActivateInstanceWindow();
        return false;
    }
    m_tickThread = std::thread([this] { RunTicks(); });

    if (!ColourCheck())
        return false;
    ControllerCheck();
    // The window class: what the window manager and the other program see.
    QCoreApplication::setApplicationName(QString::fromLatin1(BusNames::kViewerClass));
    QApplication::setWindowIcon(AppResources::Icon(ViewerIds::kIconApp));
    m_windowClassRegistered = true;

    m_lastX = m_settings.ReadInt(Settings::kLastAppX, SettingReader::Viewer);
    m_lastY = m_settings.ReadInt(Settings::kLastAppY, SettingReader::Viewer);

    m_doc = std::make_unique<CStretchDoc>();
    m_frame = std::make_unique<CMainFrame>(this);
    if (!m_frame->Create())
        return false;
    if (!FillMenus())
        return false;
    CheckStartTopic();
    m_frame->show();
    return true;
}

bool CStretchApp::ColourCheck()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen && screen->depth() >= 2)
        return true;
    QMessageBox::information(nullptr, kCaption, kNeedsColour);
    return false;
}

void CStretchApp::ControllerCheck()
{
    if (SessionBus::HasWindow(QString::fromLatin1(BusNames::kControllerClass)))
        return;
    if (QMessageBox::question(nullptr, kCaption, kAskInstall, QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    const QString dir = QCoreApplication::applicationDirPath();
    const QString program = QDir(dir).filePath(kControllerProgram);
    if (!QFileInfo(program).isExecutable()
        || !QProcess::startDetached(program, {QStringLiteral("-install")}, dir))
        QMessageBox::information(nullptr, kCaption, kControllerNotFound);
}

bool CStretchApp::FillMenus()
{
    return m_frame->FillTopicMenus(&m_catalog);
}

void CStretchApp::CheckStartTopic()
{
    const int topic = m_view->CurrentTopic();
    m_frame->CheckTopicItem(topic + ViewerIds::kCommandOffset, true);
    m_view->SetCurrentTopic(topic);
}

void CStretchApp::ExitInstance()
{
    if (m_windowClassRegistered)
        m_windowClassRegistered = false;
    m_settings.WriteInt(Settings::kLastAppX, m_lastX);
    m_settings.WriteInt(Settings::kLastAppY, m_lastY);
}

void CStretchApp::RunTicks()
{
    while (!m_stop.WaitFor(std::chrono::milliseconds(ViewerIds::kTickMs))) {
        if (!OnTick())
            break;
    }
}

int CStretchApp::OnTick()
{
    // Wait for the lock, but never past the stop event.
    while (!m_drawLock.try_lock_for(std::chrono::milliseconds(20))) {
        if (m_stop.IsSignalled())
            return 0;
    }
    if (m_stop.IsSignalled()) {
        m_drawLock.unlock();
        return 0;
    }
    if (m_view && m_view->HasPlayer())
        m_view->Tick();
    if (m_aboutBox)
        m_aboutBox->Tick();
    m_drawLock.unlock();
    return 1;
}

void CStretchApp::OnPreferences()
{
    if (m_prefsOpen)
        return;
    m_prefsOpen = true;
    {
        CStchPrefsDlg sheet(m_settings, PrefsServices::System(), m_frame.get());
        sheet.exec();
    }
    m_prefsOpen = false;
}
