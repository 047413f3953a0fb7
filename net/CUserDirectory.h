#pragma once
// The users online (theProfile.m_users), in arrival order, with an index of who is listed
// so that a hello or goodbye from a user the list does not concern costs no walk of it.

#include "Records.h"
#include "UserIdentity.h"

#include <string>
#include <unordered_map>
#include <vector>

class CUserDirectory {
public:
    explicit CUserDirectory(std::vector<UserEntry>& users);

    // False (nothing changed) when the same user is already listed; else appends.
    bool Add(const UserEntry& u);
    // Removes the first entry that is the same user; returns its index, or -1.
    int Remove(const UserEntry& u);
    bool Contains(const UserEntry& u) const;
    // The first index whose UserKey equals the key (sex plays no part), or -1.
    int FindByKey(const std::string& userKey) const;
    // Re-indexes after the list was changed other than through this directory.
    void Rebuild();

private:
    int IndexOf(const UserEntry& u) const;
    void Count(const UserEntry& u, int delta);

    std::vector<UserEntry>& m_users;
    // How many entries carry each identity and each UserKey.
    std::unordered_map<UserIdentity, int, UserIdentity::Hasher> m_identities;
    std::unordered_map<std::string, int> m_keys;
};
