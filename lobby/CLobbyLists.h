#pragma once
// The profile's user and room lists together with the lobby's two item models: every
// change goes through here so that the views always mirror the lists. A datagram changes
// one row (insert, remove or update), never the whole model; only an explicit refresh
// resets it.

#include "CRoomDirectory.h"
#include "CRoomListModel.h"
#include "CUserList.h"
#include "CUserDirectory.h"
#include "CUserListModel.h"
#include "Records.h"

#include <string>
#include <vector>

class CLobbyLists {
public:
    CLobbyLists(CUserList& users, std::vector<RoomInfo>& rooms);

    // False, with nothing changed, when the same user is already listed.
    bool AddUser(const UserEntry& user);
    // Removes the first same user and its row; false when none is listed.
    bool RemoveUser(const UserEntry& user);
    void RefreshUsers();

    // False when a room of the same creator is listed.
    bool AddRoom(const RoomInfo& room);
    // Overwrites name, count and creator of the first room of that creator, keeping its
    // intro; false when the room is not listed.
    bool UpdateRoom(const RoomInfo& room);
    // Removes the first room of that creator and its row; false when none is listed.
    bool RemoveRoom(const UserEntry& creator);
    void RefreshRooms();

    bool ContainsUser(const UserEntry& user) const { return m_userDir.Contains(user); }
    // The first listed user with this UserKey, or nullptr.
    const UserEntry* FindUserByKey(const std::string& key) const;
    // The first listed room whose creator has this UserKey (sex takes no part), or -1.
    int FindRoomByCreatorKey(const std::string& key) const;

    CUserListModel& UserModel() { return m_userModel; }
    CRoomListModel& RoomModel() { return m_roomModel; }
    const CUserList& Users() const { return m_users; }
    const std::vector<RoomInfo>& Rooms() const { return m_rooms; }

private:
    CUserList& m_users;
    std::vector<RoomInfo>& m_rooms;
    CUserDirectory m_userDir;
    CRoomDirectory m_roomDir;
    CUserListModel m_userModel;
    CRoomListModel m_roomModel;
};
