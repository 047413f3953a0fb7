#pragma once
// The lobby's room actions: opening a room of one's own, joining another's, leaving or
// closing it, a room closed by its creator, and the announcements of the own room. It
// keeps the one room window, and moves the instance between the states free, hosting
// and joined (theProfile.m_hosting / m_joined).

#include "Packet.h"
#include "Records.h"

#include <QPointer>

#include <functional>
#include <string>

class CLobbyLists;
class CRoomDlg;
class ILobby;
class IRoomWindow;
class QWidget;

class CRoomActions {
public:
    using WindowFactory = std::function<CRoomDlg*(QWidget* parent)>;
    using SetupRunner = std::function<int()>;

    CRoomActions(QWidget* lobbyWindow, ILobby& lobby, CLobbyLists& lists);
    ~CRoomActions();

    bool CanEnterRoom() const;
    void CreateRoom();
    void JoinRoom(const RoomInfo& room);
    void LeaveRoom();
    // A double click on the room whose creator has this UserKey: the first listed room
    // of that key is joined, unless it is the user's own.
    void OnDblclkRoom(const std::string& creatorKey);
    void OnRoomClosed(const RoomInfo& room);

    void AnnounceRoom();
    void AnnounceRoomClosed();
    void AnnounceRoomUpdate();

    CRoomDlg* Window() const;
    IRoomWindow* RoomWindow() const;
    // Hides the window and lets it be deleted once control is back in the event loop,
    // so that a window whose own handler is still running is never deleted under it.
    void DestroyWindow();

    // Tests: how room windows are made (nullptr stands for a failed creation) and how
    // the room settings dialog is run (its result).
    void SetWindowFactoryForTesting(WindowFactory factory) { m_makeWindow = std::move(factory); }
    void SetSetupRunnerForTesting(SetupRunner runner) { m_runSetup = std::move(runner); }

private:
    CRoomDlg* OpenRoomWindow();
    void SendToAllUsers(PacketType type);
    void EnterFreeState();

    QWidget* m_pLobbyWindow;
    ILobby& m_lobby;
    CLobbyLists& m_lists;
    QPointer<CRoomDlg> m_pRoomWnd;
    WindowFactory m_makeWindow;
    SetupRunner m_runSetup;
};
