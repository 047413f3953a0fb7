#pragma once
// The open rooms (theProfile.m_rooms), in arrival order, identified by their creator, with
// an index of the creators listed so that an announcement of a known room costs no walk.

#include "Records.h"
#include "UserIdentity.h"

#include <unordered_map>
#include <vector>

class CRoomDirectory {
public:
    explicit CRoomDirectory(std::vector<RoomInfo>& rooms);

    // False (nothing changed) when a room with the same creator is listed; else appends.
    bool Add(const RoomInfo& r);
    // The first room whose creator is the same user, or -1.
    int Find(const UserEntry& creator) const;
    // Removes that room; returns its index, or -1.
    int Remove(const UserEntry& creator);
    // Re-indexes after the list was changed other than through this directory.
    void Rebuild();

private:
    void Count(const UserEntry& creator, int delta);

    std::vector<RoomInfo>& m_rooms;
    // How many rooms each creator has in the list.
    std::unordered_map<UserIdentity, int, UserIdentity::Hasher> m_creators;
};
