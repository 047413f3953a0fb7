#pragma once
// The application: the order in which the program comes up (skin, socket support, the
// first-start settings, the splash screen, the lobby as the one modal main window) and
// goes down. A termination signal or the end of the desktop session runs the lobby's
// closing sequence without asking, exactly as a confirmed exit does.

#include <QObject>
#include <QPointer>
#include <QTranslator>

class CLobbyDlg;
class QApplication;

class CLinquoApp : public QObject {
    Q_OBJECT
public:
    CLinquoApp();
    ~CLinquoApp() override;

    // Name, Chinese translations of Qt's own texts and the font; call once after the
    // QApplication exists.
    void SetUpApplication(QApplication& app);
    // The start-up steps and the modal lobby. Returns when the lobby has closed.
    void InitInstance();
    void ExitInstance();

    // First start (no Setup.ini): the settings dialog, then the profile saved whatever
    // the dialog returned. Nothing when the file exists.
    void RunFirstStartIfNeeded();
    // Ends the run as a confirmed exit would, from wherever it stands.
    void RequestShutdown();
    bool ShutdownRequested() const { return m_bQuitting; }
    CLobbyDlg* Lobby() const;

signals:
    // The lobby exists and is about to run; tests and tools hook in here.
    void LobbyCreated(CLobbyDlg* lobby);

private:
    bool SocketSupportAvailable() const;
    void RunSplash();
    void RunLobby();
    static void EndModalDialogs();

    QTranslator m_qtTranslator;
    QPointer<CLobbyDlg> m_pLobby;
    bool m_bQuitting = false;
};
