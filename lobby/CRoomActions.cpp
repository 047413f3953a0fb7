#include "CRoomActions.h"

#include "CLobbyLists.h"
#include "CRoomDlg.h"
#include "CRoomSetupDlg.h"
#include "GbkText.h"
#include "ILobby.h"
#include "LobbyTexts.h"
#include "MessageBox.h"
#include "Profile.h"

CRoomActions::CRoomActions(QWidget* lobbyWindow, ILobby& lobby, CLobbyLists& lists)
    : m_pLobbyWindow(lobbyWindow), m_lobby(lobby), m_lists(lists)
{
    m_makeWindow = [](QWidget* parent) { return new CRoomDlg(parent); };
    m_runSetup = [] {
        CRoomSetupDlg dlg;
        return dlg.exec();
    };
}

CRoomActions::~CRoomActions() = default;

bool CRoomActions::CanEnterRoom() const
{
    return !theProfile.m_hosting && !theProfile.m_joined && m_pRoomWnd.isNull();
}

CRoomDlg* CRoomActions::Window() const { return m_pRoomWnd.data(); }

IRoomWindow* CRoomActions::RoomWindow() const { return m_pRoomWnd.data(); }

// Makes, remembers and shows the one room window; says so when it cannot be made.
CRoomDlg* CRoomActions::OpenRoomWindow()
{
    CRoomDlg* window = m_makeWindow(m_pLobbyWindow);
    if (!window) {
        ShowMessage(m_pLobbyWindow, LobbyText::WindowFailed());
        return nullptr;
    }
    m_pRoomWnd = window;
    window->show();
    return window;
}

void CRoomActions::CreateRoom()
{
    if (!CanEnterRoom()) {
        ShowMessage(m_pLobbyWindow, LobbyText::OneRoomOnly());
        return;
    }
    if (m_runSetup() != 100 || !CanEnterRoom())
        return;
    CRoomDlg* window = OpenRoomWindow();
    if (!window)
        return;
    window->InitAsHost(&m_lobby);
    theProfile.m_hosting = true;
    theProfile.m_myRoom.memberCount = 0;
    AnnounceRoom();
}

void CRoomActions::JoinRoom(const RoomInfo& room)
{
    if (!CanEnterRoom()) {
        ShowMessage(m_pLobbyWindow, LobbyText::OneRoomOnly());
        return;
    }
    CRoomDlg* window = OpenRoomWindow();
    if (!window)
        return;
    window->InitAsGuest(room, &m_lobby);
    theProfile.m_joined = true;
    theProfile.m_myRoom.memberCount = 0;
    m_lobby.SendTo(EncodeUser(PT_ROOM_JOIN, theProfile.m_self), FieldText(room.creator.ip).c_str());
}

void CRoomActions::LeaveRoom()
{
    if (CanEnterRoom())
        return;
    if (CRoomDlg* window = m_pRoomWnd.data()) {
        if (window->IsHost())
            AnnounceRoomClosed();
        else
            m_lobby.SendTo(EncodeUser(PT_ROOM_LEAVE, theProfile.m_self),
                           FieldText(window->Room().creator.ip).c_str());
    }
    DestroyWindow();
    EnterFreeState();
}

void CRoomActions::OnDblclkRoom(const std::string& creatorKey)
{
    const int i = m_lists.FindRoomByCreatorKey(creatorKey);
    if (i < 0)
        return;
    const RoomInfo room = m_lists.Rooms()[static_cast<size_t>(i)];
    if (SameUser(room.creator, theProfile.m_myRoom.creator))
        return; // the user's own room
    JoinRoom(room);
}

void CRoomActions::OnRoomClosed(const RoomInfo& room)
{
    if (!m_lists.RemoveRoom(room.creator))
        return;
    CRoomDlg* window = m_pRoomWnd.data();
    if (!theProfile.m_joined || !window || !SameUser(window->Room().creator, room.creator))
        return;
    DestroyWindow();
    EnterFreeState();
    ShowMessage(m_pLobbyWindow, LobbyText::RoomClosed(FromGbk(FieldText(room.name))));
}

void CRoomActions::AnnounceRoom() { SendToAllUsers(PT_ROOM_INFO); }

void CRoomActions::AnnounceRoomClosed() { SendToAllUsers(PT_ROOM_CLOSED); }

void CRoomActions::AnnounceRoomUpdate() { SendToAllUsers(PT_ROOM_UPDATE); }

void CRoomActions::SendToAllUsers(PacketType type)
{
    const Packet packet = EncodeRoom(type, theProfile.m_myRoom);
    for (const UserEntry& u : m_lists.Users())
        m_lobby.SendTo(packet, FieldText(u.ip).c_str());
}

void CRoomActions::DestroyWindow()
{
    CRoomDlg* window = m_pRoomWnd.data();
    m_pRoomWnd = nullptr;
    if (!window)
        return;
    window->hide();
    window->deleteLater();
}

void CRoomActions::EnterFreeState()
{
    theProfile.m_hosting = false;
    theProfile.m_joined = false;
    theProfile.m_myRoom.memberCount = 0;
}
