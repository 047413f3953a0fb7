#include "UserIdentity.h"

#include <cstring>
#include <functional>
#include <string_view>

namespace {

void CopyField(char* dest, const char* field, size_t width)
{
    const size_t len = strnlen(field, width);
    std::memcpy(dest, field, len);
    std::memset(dest + len, 0, width - len);
}

} // namespace

UserIdentity::UserIdentity(const UserEntry& user) : m_bytes{}
{
    CopyField(m_bytes.data(), user.nick, sizeof user.nick);
    CopyField(m_bytes.data() + sizeof user.nick, user.ip, sizeof user.ip);
    std::memcpy(m_bytes.data() + sizeof user.nick + sizeof user.ip, &user.sex, sizeof user.sex);
}

size_t UserIdentity::Hash() const
{
    return std::hash<std::string_view>()(std::string_view(m_bytes.data(), m_bytes.size()));
}
