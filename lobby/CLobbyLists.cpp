#include "CLobbyLists.h"

#include <algorithm>
#include <iterator>

CLobbyLists::CLobbyLists(CUserList& users, std::vector<RoomInfo>& rooms)
    : m_users(users), m_rooms(rooms), m_userDir(users), m_roomDir(rooms), m_userModel(users),
      m_roomModel(rooms)
{
}

bool CLobbyLists::AddUser(const UserEntry& user)
{
    if (m_userDir.Contains(user))
        return false;
    m_userModel.BeginAppend();
    m_userDir.Add(user);
    m_userModel.EndAppend();
    return true;
}

bool CLobbyLists::RemoveUser(const UserEntry& user)
{
    const int row = m_userDir.IndexOf(user);
    if (row < 0)
        return false;
    m_userModel.BeginRemove(row);
    m_userDir.Remove(user);
    m_userModel.EndRemove();
    return true;
}

void CLobbyLists::RefreshUsers()
{
    m_userModel.BeginRebuild();
    m_userModel.EndRebuild();
}

bool CLobbyLists::AddRoom(const RoomInfo& room)
{
    if (m_roomDir.Find(room.creator) >= 0)
        return false;
    m_roomModel.BeginAppend();
    m_roomDir.Add(room);
    m_roomModel.EndAppend();
    return true;
}

bool CLobbyLists::UpdateRoom(const RoomInfo& room)
{
    const int i = m_roomDir.Find(room.creator);
    if (i < 0)
        return false;
    RoomInfo& listed = m_rooms[static_cast<size_t>(i)];
    std::copy(std::begin(room.name), std::end(room.name), std::begin(listed.name));
    listed.memberCount = room.memberCount;
    listed.creator = room.creator; // the same user, so the directory's index still holds
    m_roomModel.RowChanged(i);
    return true;
}

bool CLobbyLists::RemoveRoom(const UserEntry& creator)
{
    const int row = m_roomDir.Find(creator);
    if (row < 0)
        return false;
    m_roomModel.BeginRemove(row);
    m_roomDir.Remove(creator);
    m_roomModel.EndRemove();
    return true;
}

void CLobbyLists::RefreshRooms()
{
    m_roomModel.BeginRebuild();
    m_roomModel.EndRebuild();
}

const UserEntry* CLobbyLists::FindUserByKey(const std::string& key) const
{
    const int row = m_userDir.FindByKey(key);
    return row < 0 ? nullptr : &m_users[static_cast<size_t>(row)];
}

int CLobbyLists::FindRoomByCreatorKey(const std::string& key) const
{
    for (size_t i = 0; i < m_rooms.size(); ++i) {
        if (UserKey(m_rooms[i].creator) == key)
            return static_cast<int>(i);
    }
    return -1;
}
