#include "CUserDirectory.h"

CUserDirectory::CUserDirectory(CUserList& users) : m_users(users) {}

bool CUserDirectory::Add(const UserEntry& u)
{
    if (m_users.Contains(u))
        return false;
    m_users.push_back(u);
    return true;
}

int CUserDirectory::Remove(const UserEntry& u) { return m_users.RemoveFirst(u); }
