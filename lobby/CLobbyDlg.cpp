#include "CLobbyDlg.h"

#include "CChatRouter.h"
#include "CDBusNotificationSink.h"
#include "CDesktopAlerts.h"
#include "CLobbyTray.h"
#include "CMessageNotifier.h"
#include "CRoomActions.h"
#include "CSettingsDlg.h"
#include "CUserListView.h"
#include "DialogKeys.h"
#include "Dispatcher.h"
#include "IRoomWindow.h"
#include "LobbyLayout.h"
#include "LobbyPaths.h"
#include "LobbyTexts.h"
#include "AppPath.h"
#include "Launcher.h"
#include "MessageBox.h"
#include "Profile.h"
#include "WindowMessageClient.h"
#include "WindowMessageServer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QListView>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

#include <unistd.h>

namespace {
// The template's dialog units in pixels for the 9-point font.
int Dlu(int units) { return (units * 3 + 1) / 2; }
} // namespace

CLobbyDlg::CLobbyDlg(QWidget* parent)
    : QDialog(parent), m_startProgram(StartHidden), m_lists(theProfile.m_users, theProfile.m_rooms)
{
    setWindowTitle(LobbyText::Caption());
    setWindowIcon(QIcon(QStringLiteral(":/icons/128.svg")));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    resize(Dlu(452), Dlu(295));

    BuildMenu();
    BuildControls();
    m_pRooms = std::make_unique<CRoomActions>(this, *this, m_lists);
    m_pChats = std::make_unique<CChatRouter>(this, *this, m_lists);
    m_pChats->SetRecount([this] { m_pNotifier->Recount(); });
    m_pAlerts = std::make_unique<CDesktopAlerts>(*m_pNotifier, this);
    m_pChats->SetUnseenLine(
        [this](CPrivateChatDlg* window, const UserEntry& sender, const std::string& text) {
            m_pAlerts->OnUnseenLine(window, sender, text);
        });
    m_pTray = new CLobbyTray(*m_pNotifier, this, [this] { OnExitCommand(); }, this);
    m_pMessageServer = new CWindowMessageServer(this);
    m_pMessageServer->SetHandler([this](unsigned msg, quintptr, qintptr) {
        if (msg == WM_LOGIN_SENT)
            OnLoginSent();
    });
}

CLobbyDlg::~CLobbyDlg()
{
    // Normally the closing sequence has run; a lobby destroyed without it (a test)
    // still frees what it owns.
    if (m_pChats)
        m_pChats->DestroyAll();
    if (m_pRooms)
        m_pRooms->DestroyWindow();
    delete m_pSocket;
}

void CLobbyDlg::BuildMenu()
{
    m_pMenuBar = new QMenuBar(this);
    QMenu* ops = m_pMenuBar->addMenu(QStringLiteral("操作(&C)"));
    m_pSettingsAction = ops->addAction(QStringLiteral("设置(&S)..."));
    m_pExitAction = ops->addAction(QStringLiteral("退出程序(&X)"));
    m_pSettingsAction->setData(32772);
    m_pExitAction->setData(32771);
    // The about entry lives in this menu only: Qt offers no way into the window
    // manager's system menu.
    QMenu* about = m_pMenuBar->addMenu(QStringLiteral("关于(&A)"));
    m_pAboutAction = about->addAction(QStringLiteral("关于(&B)..."));
    m_pAboutAction->setData(32773);
    connect(m_pSettingsAction, &QAction::triggered, this, &CLobbyDlg::OnSettingsCommand);
    connect(m_pExitAction, &QAction::triggered, this, &CLobbyDlg::OnExitCommand);
    connect(m_pAboutAction, &QAction::triggered, this, &CLobbyDlg::OnAboutCommand);
}

void CLobbyDlg::BuildControls()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->setMenuBar(m_pMenuBar);
    m_pClient = new QWidget(this);
    outer->addWidget(m_pClient);
    m_pClient->installEventFilter(this);

    m_pTopBar = new QGroupBox(m_pClient);
    m_pTopBar->setAccessibleName(QStringLiteral("消息栏"));
    m_pTopBar->setGeometry(Dlu(1), 0, Dlu(451), Dlu(37));

    m_pNotifier = new CMessageNotifier(m_pTopBar, this);
    m_pNotifier->setGeometry(Dlu(4), Dlu(7), Dlu(164), Dlu(27));

    m_pCreateButton = new QPushButton(QStringLiteral("开设房间(&S)"), m_pTopBar);
    // The template's size, grown if the font needs more room for the text.
    const QSize hint = m_pCreateButton->sizeHint();
    m_pCreateButton->setGeometry(Dlu(171), Dlu(7), qMax(Dlu(54), hint.width() + 8),
                                 qMax(Dlu(25), hint.height()));
    m_pCreateButton->setAutoDefault(false);
    m_pCreateButton->setDefault(false);
    connect(m_pCreateButton, &QPushButton::clicked, this, &CLobbyDlg::OnCreateRoom);

    const QFontMetrics fm(font());
    m_pUserList = new CUserListView(m_pClient);
    m_pUserList->setAccessibleName(QStringLiteral("用户列表"));
    m_pUserList->setViewMode(QListView::ListMode);
    m_pUserList->setFlow(QListView::LeftToRight);
    m_pUserList->setWrapping(true);
    m_pUserList->setResizeMode(QListView::Adjust);
    m_pUserList->setUniformItemSizes(true);
    m_pUserList->setSpacing(2);
    m_pUserList->setIconSize(QSize(16, 16));
    m_pUserList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pUserList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pUserList->setTextElideMode(Qt::ElideRight);
    // Wide enough for a 19-byte nickname and the longest address.
    m_lists.UserModel().SetItemSize(
        QSize(24 + fm.horizontalAdvance(QStringLiteral("汉汉汉汉汉汉汉汉汉 255.255.255.255")),
              qMax(20, fm.height() + 4)));
    m_pUserList->setModel(&m_lists.UserModel());
    connect(m_pUserList, &QListView::doubleClicked, this, [this] { OnDblclkUserList(); });
    m_pUserList->viewport()->installEventFilter(this);

    m_pRoomList = new QTableView(m_pClient);
    m_pRoomList->setAccessibleName(QStringLiteral("房间列表"));
    m_pRoomList->setModel(&m_lists.RoomModel());
    m_pRoomList->setShowGrid(true);
    m_pRoomList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pRoomList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pRoomList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pRoomList->setWordWrap(false);
    m_pRoomList->setIconSize(QSize(16, 16));
    m_pRoomList->verticalHeader()->hide();
    m_pRoomList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_pRoomList->verticalHeader()->setDefaultSectionSize(qMax(20, fm.height() + 6));
    QHeaderView* header = m_pRoomList->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    for (int c = 0; c < CRoomListModel::COLUMN_COUNT; ++c)
        m_pRoomList->setColumnWidth(c, CRoomListModel::ColumnWidth(c));
    connect(m_pRoomList, &QTableView::doubleClicked, this, [this] { OnDblclkRoomList(); });
    m_pRoomList->viewport()->installEventFilter(this);
}

bool CLobbyDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pClient && event->type() == QEvent::Resize && m_bLayoutReady)
        ApplyLayout();
    if (event->type() == QEvent::MouseButtonDblClick)
        OnDblclkEmptySpace(watched, static_cast<QMouseEvent*>(event));
    return QDialog::eventFilter(watched, event);
}

void CLobbyDlg::ApplyLayout()
{
    const LobbyGeometry g =
        ComputeLobbyLayout(m_pClient->width(), m_pClient->height(), m_pTopBar->height());
    m_pTopBar->setGeometry(g.topBar);
    m_pUserList->setGeometry(g.userList);
    m_pRoomList->setGeometry(g.roomList);
}

void CLobbyDlg::UseEndpointForTesting(IChatEndpoint* endpoint, bool created)
{
    m_pTestEndpoint = endpoint;
    m_bTestEndpointCreated = created;
}

void CLobbyDlg::SetProgramStarterForTesting(std::function<bool(const std::string&)> starter)
{
    m_startProgram = std::move(starter);
}

int CLobbyDlg::exec()
{
    OnInitDialog();
    if (m_bClosed)
        return result();
    return QDialog::exec();
}

void CLobbyDlg::OnInitDialog()
{
    if (m_bInitDone)
        return;
    m_bInitDone = true;
    // Findable by its caption from the start, as the announcer expects.
    m_pMessageServer->Listen(LobbyText::Caption());

    ApplyLayout();
    m_bLayoutReady = true;

    CreateEndpoint();
    LoadIcons();
    if (!m_pAlerts->HasSink())
        m_pAlerts->SetSink(std::make_unique<CDBusNotificationSink>());
    m_pTray->Show();

    if (g_szSenderPath[0] == '\0')
        GetAppFilePath(g_szSenderPath, sizeof g_szSenderPath, "Sender");
    const bool senderFound = access(g_szSenderPath, F_OK) == 0;
    if (senderFound && m_startProgram)
        m_startProgram(g_szSenderPath);

    // Where no window manager maximises, the screen's work area stands in for it.
    if (QScreen* s = screen())
        setGeometry(s->availableGeometry());
    showMaximized();

    if (m_bSocketFailed)
        FailStartup(LobbyText::PortFailed());
    else if (!senderFound)
        FailStartup(LobbyText::SenderMissing());

    GetAppFilePath(g_szSoundPath, sizeof g_szSoundPath, "sound/msg.wav");
}

void CLobbyDlg::CreateEndpoint()
{
    if (m_pTestEndpoint) {
        m_pEndpoint = m_pTestEndpoint;
        m_bSocketFailed = !m_bTestEndpointCreated;
        return;
    }
    // A child, so that benchmarks can find it and set a stock receive buffer on it.
    m_pSocket = new CChatSocket(this, this);
    m_bSocketFailed = !m_pSocket->Create(CHAT_PORT);
    m_pEndpoint = m_pSocket;
}

void CLobbyDlg::LoadIcons()
{
    m_lists.UserModel().SetIcons(QIcon(QStringLiteral(":/icons/130.svg")),
                                 QIcon(QStringLiteral(":/icons/131.svg")));
    m_lists.RoomModel().SetIcons(QIcon(QStringLiteral(":/icons/135.svg")),
                                 QIcon(QStringLiteral(":/icons/138.svg")));
}

// A start-up failure ends the program without the exit question. The close waits for
// the modal loop, since the lobby cannot end a run that has not begun.
void CLobbyDlg::FailStartup(const QString& message)
{
    ShowMessage(this, message);
    m_bReady = true;
    m_bNoConfirm = true;
    QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
}

bool CLobbyDlg::PassGate()
{
    if (m_bReady)
        return true;
    ShowMessage(this, LobbyText::Waiting(), BoxIcon::None);
    return false;
}

void CLobbyDlg::OnLoginSent()
{
    m_bReady = true;
    ShowMessage(this, LobbyText::Ready(), BoxIcon::None);
}

void CLobbyDlg::OnExitCommand()
{
    if (PassGate())
        close();
}

void CLobbyDlg::OnSettingsCommand()
{
    if (!PassGate())
        return;
    CSettingsDlg dlg(false);
    const int result = dlg.exec();
    if (m_bClosed || result != CSettingsDlg::ACCEPTED)
        return;
    m_bConfirmExit = false;
    close();
}

void CLobbyDlg::OnAboutCommand() { emit AboutRequested(); }

void CLobbyDlg::OnCreateRoom()
{
    if (PassGate())
        m_pRooms->CreateRoom();
}

int CLobbyDlg::FirstSelectedRow(QAbstractItemView* view) const
{
    int first = -1;
    for (const QModelIndex& index : view->selectionModel()->selectedIndexes()) {
        if (first < 0 || index.row() < first)
            first = index.row();
    }
    return first;
}

void CLobbyDlg::OnDblclkUserList()
{
    if (!PassGate())
        return;
    const int row = FirstSelectedRow(m_pUserList);
    if (row >= 0 && static_cast<size_t>(row) < m_lists.Users().size())
        OpenChatWith(UserKey(m_lists.Users()[static_cast<size_t>(row)]));
}

void CLobbyDlg::OnDblclkRoomList()
{
    if (!PassGate())
        return;
    const int row = FirstSelectedRow(m_pRoomList);
    if (row >= 0 && static_cast<size_t>(row) < m_lists.Rooms().size())
        m_pRooms->OnDblclkRoom(UserKey(m_lists.Rooms()[static_cast<size_t>(row)].creator));
}

// The views signal a double-click only on an item, yet a double-click anywhere in a list
// is the list's command. Its first click already cleared the selection.
void CLobbyDlg::OnDblclkEmptySpace(QObject* viewport, const QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool users = viewport == m_pUserList->viewport();
    if (!users && viewport != m_pRoomList->viewport())
        return;
    QAbstractItemView* view = users ? static_cast<QAbstractItemView*>(m_pUserList) : m_pRoomList;
    if (view->indexAt(event->position().toPoint()).isValid())
        return;
    if (users)
        OnDblclkUserList();
    else
        OnDblclkRoomList();
}

void CLobbyDlg::closeEvent(QCloseEvent* event)
{
    if (m_bClosed) {
        event->accept();
        return;
    }
    if (!PassGate()) {
        event->ignore();
        return;
    }
    if (!m_bNoConfirm && m_bConfirmExit) {
        const bool yes = AskQuestion(this, LobbyText::ConfirmExit());
        if (!m_bClosed && !yes) {
            event->ignore();
            return;
        }
    }
    RunClosingSequence();
    event->accept();
}

void CLobbyDlg::RunClosingSequence()
{
    if (m_bClosed)
        return;
    m_bClosed = true;
    LeaveRoom();
    SayGoodbye();
    if (m_pSocket) {
        m_pSocket->Close();
        // Deleted once control is back in the loop that runs it, since a handler called
        // from the socket may be what closed the lobby.
        m_pSocket->deleteLater();
        m_pSocket = nullptr;
    }
    m_pEndpoint = nullptr;
    m_lists.UserModel().SetIcons(QIcon(), QIcon());
    m_lists.RoomModel().SetIcons(QIcon(), QIcon());
    // Nothing of the program stays behind on the desktop.
    m_pTray->Hide();
    m_pAlerts->Clear();
    m_pChats->DestroyAll();
    done(0);
}

void CLobbyDlg::ShutDown()
{
    if (m_bClosed)
        return;
    m_bReady = true;
    m_bNoConfirm = true;
    EndOpenBoxes();
    RunClosingSequence();
}

// Every modal box or dialog still open ends as if cancelled, so that nothing waits for
// a person who is no longer there.
void CLobbyDlg::EndOpenBoxes()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dlg = qobject_cast<QDialog*>(w);
        if (dlg && dlg != this && dlg->isVisible() && dlg->isModal())
            dlg->done(0);
    }
}

void CLobbyDlg::accept() {}

void CLobbyDlg::reject() {}

void CLobbyDlg::keyPressEvent(QKeyEvent* event)
{
    if (!SwallowCloseKeys(event))
        QDialog::keyPressEvent(event);
}

// ---- Datagrams -------------------------------------------------------------------

void CLobbyDlg::OnDatagram(const char* data, size_t len)
{
    if (!m_bClosed)
        DispatchDatagram(data, len, *this);
}

IRoomWindow* CLobbyDlg::RoomWindow() { return m_pRooms->RoomWindow(); }

void CLobbyDlg::SendTo(const Packet& packet, const char* ip)
{
    if (m_pEndpoint)
        m_pEndpoint->SendTo(packet, ip);
}

// ---- User directory --------------------------------------------------------------

void CLobbyDlg::OnHello(const UserEntry& user)
{
    if (!m_lists.AddUser(user))
        return;
    // The answer goes to the address the newcomer wrote in its record.
    const std::string ip = FieldText(user.ip);
    if (theProfile.m_hosting)
        SendTo(EncodeRoom(PT_ROOM_INFO, theProfile.m_myRoom), ip.c_str());
    else
        SendTo(EncodeUser(PT_HELLO_ACK, theProfile.m_self), ip.c_str());
}

void CLobbyDlg::OnHelloAck(const UserEntry& user) { m_lists.AddUser(user); }

void CLobbyDlg::OnBye(const UserEntry& user)
{
    if (!m_lists.RemoveUser(user))
        return;
    IRoomWindow* room = RoomWindow();
    if (theProfile.m_hosting && room)
        room->OnMemberLeave(user);
}

void CLobbyDlg::RefreshUserList() { m_lists.RefreshUsers(); }

void CLobbyDlg::SayGoodbye()
{
    const Packet packet = theProfile.m_hosting ? EncodeRoom(PT_HOST_BYE, theProfile.m_myRoom)
                                               : EncodeUser(PT_BYE, theProfile.m_self);
    for (const UserEntry& u : m_lists.Users())
        SendTo(packet, FieldText(u.ip).c_str());
}

// ---- Room directory --------------------------------------------------------------

void CLobbyDlg::OnRoomInfo(const RoomInfo& room)
{
    if (m_lists.AddRoom(room))
        OnHelloAck(room.creator);
}

void CLobbyDlg::OnRoomUpdate(const RoomInfo& room) { m_lists.UpdateRoom(room); }

void CLobbyDlg::OnRoomClosed(const RoomInfo& room) { m_pRooms->OnRoomClosed(room); }

void CLobbyDlg::OnHostBye(const RoomInfo& room)
{
    OnBye(room.creator);
    OnRoomClosed(room);
}

void CLobbyDlg::RefreshRoomList() { m_lists.RefreshRooms(); }

void CLobbyDlg::AnnounceRoomUpdate() { m_pRooms->AnnounceRoomUpdate(); }

void CLobbyDlg::LeaveRoom() { m_pRooms->LeaveRoom(); }

// ---- Private messages ------------------------------------------------------------

void CLobbyDlg::OpenChatWith(const std::string& key) { m_pChats->OpenChatWith(key); }

bool CLobbyDlg::SendPrivate(const UserEntry& peer, const std::string& text)
{
    return m_pChats->SendPrivate(peer, text);
}

void CLobbyDlg::OnPrivateMessage(const UserEntry& sender, const std::string& text)
{
    m_pChats->OnPrivateMessage(sender, text);
}

const std::vector<CPrivateChatDlg*>& CLobbyDlg::ChatWindows() const { return m_pChats->Windows(); }
