#pragma once
// The main window: who is online, which rooms are open, the message notifier and the
// button that opens a room. It owns the UDP endpoint, the room window and the private
// chat windows, starts the announcer, and refuses the user's commands until the
// announcer reports that the login went out (the readiness gate).

#include "CChatSocket.h"
#include "CLobbyLists.h"
#include "IChatEndpoint.h"
#include "IDatagramHandler.h"
#include "ILobby.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CChatRouter;
class CDesktopAlerts;
class CLobbyTray;
class CMessageNotifier;
class CRoomActions;
class CWindowMessageServer;
class QAbstractItemView;
class QAction;
class QGroupBox;
class QListView;
class QMenuBar;
class QMouseEvent;
class QPushButton;
class QTableView;

class CLobbyDlg : public QDialog,
                  public IDatagramHandler,
                  public IDatagramSink,
                  public ILobby {
    Q_OBJECT
public:
    explicit CLobbyDlg(QWidget* parent = nullptr);
    ~CLobbyDlg() override;

    // Test seams, set before OnInitDialog: an endpoint that replaces the UDP socket
    // (created tells whether its creation "succeeded"; the lobby does not own it), and
    // what starts the announcer.
    void UseEndpointForTesting(IChatEndpoint* endpoint, bool created = true);
    void SetProgramStarterForTesting(std::function<bool(const std::string&)> starter);
    CRoomActions& Rooms() { return *m_pRooms; }
    CChatRouter& Chats() { return *m_pChats; }
    // Desktop notifications of unseen private lines; a test gives it a sink before
    // OnInitDialog, else the session's notification service is used.
    CDesktopAlerts& Alerts() { return *m_pAlerts; }
    CLobbyTray& Tray() { return *m_pTray; }

    // Initialisation once, then the modal run; returns when the lobby has closed.
    int exec() override;
    void OnInitDialog();
    // The closing sequence without the question and regardless of readiness, for a
    // termination signal or the end of the desktop session. Open modal boxes are ended.
    void ShutDown();

    bool IsReady() const { return m_bReady; }
    bool IsClosed() const { return m_bClosed; }
    IChatEndpoint* Endpoint() const { return m_pEndpoint; }

    // Commands of the menu, the button and the lists.
    void OnLoginSent();
    void OnExitCommand();
    void OnSettingsCommand();
    void OnAboutCommand();
    void OnCreateRoom();
    void OnDblclkUserList();
    void OnDblclkRoomList();
    void OnDblclkEmptySpace(QObject* viewport, const QMouseEvent* event);

    // The readiness gate: true when ready, else the waiting message.
    bool PassGate();

    // IDatagramSink
    void OnDatagram(const char* data, size_t len) override;

    // IDatagramHandler
    void OnHello(const UserEntry& user) override;
    void OnHelloAck(const UserEntry& user) override;
    void OnRoomInfo(const RoomInfo& room) override;
    void OnBye(const UserEntry& user) override;
    void OnRoomClosed(const RoomInfo& room) override;
    void OnHostBye(const RoomInfo& room) override;
    void OnPrivateMessage(const UserEntry& sender, const std::string& text) override;
    void OnRoomUpdate(const RoomInfo& room) override;
    IRoomWindow* RoomWindow() override;

    // ILobby
    void SendTo(const Packet& packet, const char* ip) override;
    void AnnounceRoomUpdate() override;
    void LeaveRoom() override;
    void OpenChatWith(const std::string& key) override;
    bool SendPrivate(const UserEntry& peer, const std::string& text) override;
    const std::vector<CPrivateChatDlg*>& ChatWindows() const override;

    void RefreshUserList();
    void RefreshRoomList();
    void SayGoodbye();

    // Widgets, for the layout and for tests.
    QWidget* Client() const { return m_pClient; }
    QGroupBox* TopBar() const { return m_pTopBar; }
    CMessageNotifier* Notifier() const { return m_pNotifier; }
    QPushButton* CreateRoomButton() const { return m_pCreateButton; }
    QListView* UserList() const { return m_pUserList; }
    QTableView* RoomList() const { return m_pRoomList; }
    QAction* SettingsAction() const { return m_pSettingsAction; }
    QAction* ExitAction() const { return m_pExitAction; }
    QAction* AboutAction() const { return m_pAboutAction; }
    CLobbyLists& Lists() { return m_lists; }

signals:
    // The about box is the application's; the lobby only asks for it.
    void AboutRequested();

public slots:
    void accept() override;
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenu();
    void BuildControls();
    void ApplyLayout();
    void CreateEndpoint();
    void LoadIcons();
    void FailStartup(const QString& message);
    void RunClosingSequence();
    void EndOpenBoxes();
    int FirstSelectedRow(QAbstractItemView* view) const;

    bool m_bReady = false;
    bool m_bNoConfirm = false;
    bool m_bLayoutReady = false;
    bool m_bConfirmExit = true;
    bool m_bInitDone = false;
    bool m_bClosed = false;
    bool m_bSocketFailed = false;

    CChatSocket* m_pSocket = nullptr;
    IChatEndpoint* m_pEndpoint = nullptr;
    IChatEndpoint* m_pTestEndpoint = nullptr;
    bool m_bTestEndpointCreated = true;
    std::function<bool(const std::string&)> m_startProgram;
    CWindowMessageServer* m_pMessageServer = nullptr;

    CLobbyLists m_lists;
    std::unique_ptr<CRoomActions> m_pRooms;
    std::unique_ptr<CChatRouter> m_pChats;
    std::unique_ptr<CDesktopAlerts> m_pAlerts;
    CLobbyTray* m_pTray = nullptr;

    QMenuBar* m_pMenuBar = nullptr;
    QAction* m_pSettingsAction = nullptr;
    QAction* m_pExitAction = nullptr;
    QAction* m_pAboutAction = nullptr;
    QWidget* m_pClient = nullptr;
    QGroupBox* m_pTopBar = nullptr;
    CMessageNotifier* m_pNotifier = nullptr;
    QPushButton* m_pCreateButton = nullptr;
    QListView* m_pUserList = nullptr;
    QTableView* m_pRoomList = nullptr;
};
