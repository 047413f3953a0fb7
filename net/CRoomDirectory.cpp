#include "CRoomDirectory.h"

CRoomDirectory::CRoomDirectory(std::vector<RoomInfo>& rooms) : m_rooms(rooms) { Rebuild(); }

bool CRoomDirectory::Add(const RoomInfo& r)
{
    if (m_creators.count(UserIdentity(r.creator)) != 0)
        return false;
    m_rooms.push_back(r);
    Count(r.creator, +1);
    return true;
}

int CRoomDirectory::Find(const UserEntry& creator) const
{
    if (m_creators.count(UserIdentity(creator)) == 0)
        return -1;
    for (size_t i = 0; i < m_rooms.size(); ++i) {
        if (SameUser(m_rooms[i].creator, creator))
            return int(i);
    }
    return -1;
}

int CRoomDirectory::Remove(const UserEntry& creator)
{
    const int index = Find(creator);
    if (index < 0)
        return -1;
    Count(m_rooms[size_t(index)].creator, -1);
    m_rooms.erase(m_rooms.begin() + index);
    return index;
}

void CRoomDirectory::Rebuild()
{
    m_creators.clear();
    for (const RoomInfo& r : m_rooms)
        Count(r.creator, +1);
}

void CRoomDirectory::Count(const UserEntry& creator, int delta)
{
    auto it = m_creators.try_emplace(UserIdentity(creator), 0).first;
    it->second += delta;
    if (it->second <= 0)
        m_creators.erase(it);
}
