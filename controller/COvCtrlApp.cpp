#include "COvCtrlApp.h"

#include "Autostart.h"
#include "CMainFrame.h"
#include "CWaveAudio.h"
#include "ControllerLog.h"
#include "OvantisHook.h"
#include "SettingsTable.h"
#include "SystemSession.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>


namespace {
const QString kControllerClass = QStringLiteral("OvantisCtrlClass");
constexpr int kInstallTopicCommand = 1300;
} // namespace

COvCtrlApp::COvCtrlApp()
{
    InstallHooks();
    m_guard = std::make_unique<CSingleApplication>(kControllerClass);
    m_frame = std::make_unique<CMainFrame>(m_store, m_catalog);
    m_frame->Scheduler().Construct();
}

COvCtrlApp::~COvCtrlApp()
{
    m_frame.reset();
    // A sound still playing ends with the program.
    CWaveAudio::StopAll(500);
    m_guard.reset();
    RemoveHooks();
}

QString COvCtrlApp::ViewerPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/stretch"); }

void COvCtrlApp::Message(const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Stretch"), text, QMessageBox::Ok);
    box.exec();
}

bool COvCtrlApp::InitInstance(const QStringList& arguments)
{
    const QString commandLine = arguments.join(u' ').toUpper();
    const bool install = commandLine.contains(QStringLiteral("-INSTALL"));
    if (install)
        InstallAutostart(); // pending removals of the hook library do not exist here
    if (commandLine.contains(QStringLiteral("-REMOVE"))) {
        Remove();
        return false;
    }

    if (m_store.ReadString(Settings::kInstallation, SettingReader::Controller) != Settings::kRelease) {
        m_store.WriteInt(Settings::kLastStretchTopic, -1);
        m_frame->Scheduler().ApplyDefaultSequence();
    }
    m_store.WriteString(Settings::kInstallation, Settings::kRelease);
    const int lastTopic = m_store.ReadInt(Settings::kLastStretchTopic, SettingReader::Controller);

    const QString viewer = ViewerPath();
    if (!QFileInfo(viewer).exists()) {
        Message(QStringLiteral("Cannot find the stretch application.  Please re-install the application.  "
                               "This program will terminate."));
        return false;
    }
    if (!m_guard->IsFirstInstance()) {
        m_guard->ActivateInstanceWindow();
        return false;
    }
    if (QScreen* screen = QGuiApplication::primaryScreen(); screen && screen->depth() < 2) {
        Message(QStringLiteral("Ovantis requires color graphics."));
        return false;
    }
    // The plain 100 ms timer, for measuring what the sleeping one saves.
    m_frame->SetSleeping(qEnvironmentVariable("OVANTIS_CONTROLLER_TIMER") != QStringLiteral("plain"));
    if (!m_frame->Create())
        return false;
    m_frame->SetViewerPath(viewer);
    m_frame->Scheduler().SetCurrentTopic(lastTopic);
    m_frame->Scheduler().LoadSettings();
    if (install)
        m_frame->OnCommand(kInstallTopicCommand);
    return true;
}

void COvCtrlApp::InstallAutostart()
{
    QString error;
    if (!Autostart::Install(QString::fromLatin1(kAutostartName), QStringLiteral("Ovantis Stretch"),
                            QCoreApplication::applicationFilePath(), &error))
        Message(error);
}

void COvCtrlApp::Remove()
{
    if (!SystemSession::StartDetached(ViewerPath(), {QStringLiteral("-Remove")}))
        qCInfo(lcController) << "the viewer could not be started for its removal";
    QString error;
    if (!Autostart::Remove(QString::fromLatin1(kAutostartName), &error))
        Message(error);
    if (!m_guard->IsFirstInstance())
        m_guard->QuitInstanceWindow();
}
