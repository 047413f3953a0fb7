#pragma once
// The users online (theProfile.m_users) and the directory's rules over them: a user is
// listed once, in arrival order, and a goodbye takes the first same user. The list keeps
// its own index, so neither a hello nor a goodbye walks it.

#include "CUserList.h"
#include "Records.h"

#include <string>

class CUserDirectory {
public:
    explicit CUserDirectory(CUserList& users);

    // False (nothing changed) when the same user is already listed; else appends.
    bool Add(const UserEntry& u);
    // Removes the first entry that is the same user; returns its index, or -1.
    int Remove(const UserEntry& u);
    bool Contains(const UserEntry& u) const { return m_users.Contains(u); }
    // The first index whose UserKey equals the key (sex plays no part), or -1.
    int FindByKey(const std::string& userKey) const { return m_users.FindByKey(userKey); }
    // The index of the first entry that is the same user, or -1.
    int IndexOf(const UserEntry& u) const { return m_users.IndexOf(u); }
    // Kept for callers that changed the list directly; the list indexes itself.
    void Rebuild() {}

private:
    CUserList& m_users;
};
