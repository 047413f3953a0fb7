#pragma once
// Stand-in for the room window until room/CRoomDlg.h exists (the build picks this folder
// only then): an empty window with the members the lobby uses, so that the program and
// its tests build and run meanwhile.

#include "ILobby.h"
#include "IRoomWindow.h"
#include "Records.h"

#include <QDialog>

class CRoomDlg : public QDialog, public IRoomWindow {
public:
    explicit CRoomDlg(QWidget* parent = nullptr) : QDialog(parent) {}
    void InitAsHost(ILobby* lobby)
    {
        m_pLobby = lobby;
        m_bHost = true;
    }
    void InitAsGuest(const RoomInfo& room, ILobby* lobby)
    {
        m_room = room;
        m_pLobby = lobby;
        m_bHost = false;
    }
    bool IsHost() const override { return m_bHost; }
    const RoomInfo& Room() const { return m_room; }
    void OnJoinRequest(const UserEntry&) override {}
    void OnMemberLeave(const UserEntry&) override {}
    void OnMemberEntered(const UserEntry&) override {}
    void OnMemberLeft(const UserEntry&) override {}
    void ShowPublicLine(const UserEntry&, const std::string&) override {}
    void ShowDirectedLine(const UserEntry&, const UserEntry&, const std::string&) override {}

    bool m_bHost = false;
    RoomInfo m_room;
    ILobby* m_pLobby = nullptr;
};
