#include "CLinquoApp.h"

#include "AppPath.h"
#include "CAboutDlg.h"
#include "CLobbyDlg.h"
#include "CSettingsDlg.h"
#include "CSplashDlg.h"
#include "CTerminationWatcher.h"
#include "LobbyPaths.h"
#include "MessageBox.h"
#include "Profile.h"
#include "Skin.h"
#include "WindowFont.h"

#include <QApplication>
#include <QSessionManager>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

CLinquoApp::CLinquoApp()
{
    auto* watcher = new CTerminationWatcher(this);
    connect(watcher, &CTerminationWatcher::TerminationRequested, this,
            [this] { RequestShutdown(); });
}

CLinquoApp::~CLinquoApp() = default;

void CLinquoApp::SetUpApplication(QApplication& app)
{
    QCoreApplication::setApplicationName(QStringLiteral("Linquo"));
    // Ties the windows to the menu entry: its icon on the task bar, its name in notifications.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.linquo.Linquo"));
    SetUpApplicationText(m_qtTranslator);

#ifndef QT_NO_SESSIONMANAGER
    connect(&app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
        RequestShutdown();
    });
#endif
    connect(&app, &QCoreApplication::aboutToQuit, this, [this] { RequestShutdown(); });
}

bool CLinquoApp::SocketSupportAvailable() const
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

void CLinquoApp::InitInstance()
{
    const std::string skinPath = AppFilePath("skins/dogmax.ssk");
    GetAppFilePath(g_szSenderPath, sizeof g_szSenderPath, "Sender");
    LoadSkin(skinPath);

    if (!SocketSupportAvailable()) {
        ShowMessage(nullptr, QStringLiteral("SOCKET初始化失败"));
        return;
    }
    RunFirstStartIfNeeded();
    if (m_bQuitting)
        return;
    RunSplash();
    if (m_bQuitting)
        return;
    RunLobby();
}

void CLinquoApp::RunFirstStartIfNeeded()
{
    if (access(g_szSetupPath, F_OK) == 0)
        return;
    CSettingsDlg dlg(true);
    dlg.exec();
    // Saved whatever the answer, so that the next start is no longer a first start.
    theProfile.Save();
}

void CLinquoApp::RunSplash()
{
    CSplashDlg splash;
    splash.exec();
}

void CLinquoApp::RunLobby()
{
    CLobbyDlg lobby;
    m_pLobby = &lobby;
    connect(&lobby, &CLobbyDlg::AboutRequested, &lobby, [&lobby] {
        CAboutDlg about(&lobby);
        about.exec();
    });
    emit LobbyCreated(&lobby);
    lobby.exec();
    // A run that ended some other way (every event loop told to quit) still closes
    // properly: goodbyes out, windows gone.
    lobby.ShutDown();
    m_pLobby = nullptr;
}

void CLinquoApp::ExitInstance() { ReleaseSkin(); }

void CLinquoApp::RequestShutdown()
{
    m_bQuitting = true;
    if (m_pLobby) {
        m_pLobby->ShutDown();
        return;
    }
    // Before the lobby: end the settings dialog or the splash, and anything that a
    // dialog opens right after this.
    EndModalDialogs();
    QTimer::singleShot(0, this, &CLinquoApp::EndModalDialogs);
}

void CLinquoApp::EndModalDialogs()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dlg = qobject_cast<QDialog*>(w);
        if (dlg && dlg->isVisible() && dlg->isModal())
            dlg->done(0);
    }
}

CLobbyDlg* CLinquoApp::Lobby() const { return m_pLobby.data(); }
