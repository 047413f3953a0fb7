#include "Profile.h"

#include "GbkText.h"
#include "IniFile.h"
#include "LocalAddress.h"
#include "ProfilePath.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

char g_szSetupPath[1024];

namespace {
const char* const kPeople = "People";
const char* const kRoom = "Room";
} // namespace

CProfile::CProfile() : m_lanAddresses{}, m_hosting(false), m_joined(false)
{
    SetField(m_myRoom.name, GbkFromUtf8("天论"));
    m_myRoom.memberCount = 0;
    SetField(m_myRoom.intro, GbkFromUtf8("欢迎大家来讨论!"));
    // A whole /16 answering a newcomer then never waits for the list to grow mid-burst.
    m_users.reserve(size_t(1) << 16);
    GetProfilePath(g_szSetupPath, sizeof g_szSetupPath);
    Load();
}

CProfile::~CProfile() { Save(); }

void CProfile::Load()
{
    GetLocalAddress(m_self.ip, 0);
    IniFile ini;
    const bool exists = access(g_szSetupPath, F_OK) == 0;
    // A file that is there but cannot be read holds an identity we do not know: keep the
    // construction values and never write over it.
    m_bKeepFile = exists && !ini.Load(g_szSetupPath);
    if (exists && !m_bKeepFile) {
        std::string nick = ini.Get(kPeople, "Nick", "zoly", 20);
        if (nick == GbkFromUtf8("所有人"))
            nick = "zoly";
        SetField(m_self.nick, nick);
        std::string sex = ini.Get(kPeople, "Sex", "BOY", 5);
        if (!sex.empty())
            m_self.sex = sex == "BOY" ? 0 : 1;
        SetField(m_myRoom.name, ini.Get(kRoom, "RoomName", GbkFromUtf8("我的地盘"), 20));
        SetField(m_myRoom.intro, ini.Get(kRoom, "RoomContent", GbkFromUtf8("欢迎大家来讨论!"), 100));
    }
    m_myRoom.creator = m_self;
    BuildLanAddresses();
}

bool CProfile::Save()
{
    MakeProfileFolder(g_szSetupPath);
    IniFile ini;
    if (m_bKeepFile || (!ini.Load(g_szSetupPath) && access(g_szSetupPath, F_OK) == 0))
        return false;
    ini.Set(kPeople, "Nick", FieldText(m_self.nick));
    ini.Set(kPeople, "Sex", m_self.sex != 0 ? "GIRL" : "BOY");
    ini.Set(kRoom, "RoomName", FieldText(m_myRoom.name));
    ini.Set(kRoom, "RoomContent", FieldText(m_myRoom.intro));
    return ini.Save(g_szSetupPath);
}

void CProfile::AdoptIdentity(const std::string& nick, int32_t sex)
{
    SetField(m_self.nick, nick);
    m_self.sex = sex;
    m_myRoom.creator = m_self;
}

void CProfile::BuildLanAddresses() { FillLanAddresses(m_lanAddresses, m_self.ip); }

std::string LanPrefix(const char* ip)
{
    size_t len = strnlen(ip, 16);
    int dots = 0;
    for (size_t i = 0; i < len; ++i)
        if (ip[i] == '.' && ++dots == 2)
            return std::string(ip, i + 1);
    return std::string();
}

void FillLanAddresses(char (*table)[16], const char* ip)
{
    std::string prefix = LanPrefix(ip);
    if (prefix.empty() || prefix.size() > 8)
        prefix = "127.0."; // no usable prefix: stay on this host
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b)
            std::snprintf(table[a * 256 + b], 16, "%s%d.%d", prefix.c_str(), a, b);
}
