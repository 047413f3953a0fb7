#include "CUserDirectory.h"

#include <cstring>

namespace {

// Whether the entry's "%s %s" text equals the key, without building the text.
bool KeyMatches(const UserEntry& u, const std::string& key)
{
    const size_t nick = strnlen(u.nick, sizeof u.nick);
    const size_t ip = strnlen(u.ip, sizeof u.ip);
    return key.size() == nick + 1 + ip && std::memcmp(key.data(), u.nick, nick) == 0 &&
           key[nick] == ' ' && std::memcmp(key.data() + nick + 1, u.ip, ip) == 0;
}

template <typename Map, typename Key> void Adjust(Map& map, const Key& key, int delta)
{
    auto it = map.try_emplace(key, 0).first;
    it->second += delta;
    if (it->second <= 0)
        map.erase(it);
}

} // namespace

CUserDirectory::CUserDirectory(std::vector<UserEntry>& users) : m_users(users) { Rebuild(); }

bool CUserDirectory::Add(const UserEntry& u)
{
    if (Contains(u))
        return false;
    m_users.push_back(u);
    Count(u, +1);
    return true;
}

int CUserDirectory::Remove(const UserEntry& u)
{
    const int index = IndexOf(u);
    if (index < 0)
        return -1;
    Count(m_users[size_t(index)], -1);
    m_users.erase(m_users.begin() + index);
    return index;
}

bool CUserDirectory::Contains(const UserEntry& u) const
{
    return m_identities.count(UserIdentity(u)) != 0;
}

int CUserDirectory::FindByKey(const std::string& userKey) const
{
    if (m_keys.count(userKey) == 0)
        return -1;
    for (size_t i = 0; i < m_users.size(); ++i) {
        if (KeyMatches(m_users[i], userKey))
            return int(i);
    }
    return -1;
}

void CUserDirectory::Rebuild()
{
    m_identities.clear();
    m_keys.clear();
    for (const UserEntry& u : m_users)
        Count(u, +1);
}

int CUserDirectory::IndexOf(const UserEntry& u) const
{
    if (!Contains(u))
        return -1;
    for (size_t i = 0; i < m_users.size(); ++i) {
        if (SameUser(m_users[i], u))
            return int(i);
    }
    return -1;
}

void CUserDirectory::Count(const UserEntry& u, int delta)
{
    Adjust(m_identities, UserIdentity(u), delta);
    Adjust(m_keys, UserKey(u), delta);
}
