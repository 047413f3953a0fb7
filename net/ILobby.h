#pragma once
// The few lobby operations that the room window, the private chat windows and the
// notifier call back into. CLobbyDlg implements it; tests use a fake.

#include "Packet.h"
#include "Records.h"

#include <string>
#include <vector>

class CPrivateChatDlg;

class ILobby {
public:
    virtual ~ILobby() = default;
    // Sends through the lobby's UDP endpoint to port 8800 of ip.
    virtual void SendTo(const Packet& packet, const char* ip) = 0;
    // PT_ROOM_UPDATE with theProfile.m_myRoom to every known user.
    virtual void AnnounceRoomUpdate() = 0;
    // Leaves or closes the current room and destroys the room window.
    virtual void LeaveRoom() = 0;
    // Shows or creates the private chat window of the user with this UserKey (GBK).
    virtual void OpenChatWith(const std::string& key) = 0;
    // PT_PRIVATE_MSG to peer; false when the peer is not listed (nothing sent).
    virtual bool SendPrivate(const UserEntry& peer, const std::string& text) = 0;
    // Every private chat window, in creation order.
    virtual const std::vector<CPrivateChatDlg*>& ChatWindows() const = 0;
};
