#include "CSenderProfile.h"

#include "GbkText.h"
#include "IniFile.h"
#include "LocalAddress.h"
#include "ProfilePath.h"

#include <cstring>
#include <unistd.h>

CSenderProfile::CSenderProfile()
    : m_szProfilePath{}, m_szNick{}, m_szLocalAddress{}, m_nSex(0),
      m_addresses(std::make_unique<char[][16]>(LAN_ADDRESS_COUNT)) {
    SetField(m_szNick, "zoly");
    SetField(m_szLocalAddress, "127.0.0.1");
}

bool CSenderProfile::Load() {
    GetProfilePath(m_szProfilePath, sizeof m_szProfilePath);

    std::memset(m_szLocalAddress, 0, sizeof m_szLocalAddress);
    if (!GetLocalAddress(m_szLocalAddress, 0))
        return false;
    // The same rule as Linquo's: never announce an empty address or sweep without a prefix.
    if (m_szLocalAddress[0] == '\0')
        SetField(m_szLocalAddress, "127.0.0.1");

    if (access(m_szProfilePath, F_OK) != 0)
        return false;
    IniFile ini;
    ini.Load(m_szProfilePath);

    // Read exactly as Linquo reads it, so that the hello names the same user as Linquo's
    // own record and comes back to it as itself.
    std::string nick = ini.Get("People", "Nick", "zoly", sizeof m_szNick);
    if (nick.empty())
        return false;
    if (nick == GbkFromUtf8("所有人"))
        nick = "zoly";
    SetField(m_szNick, nick);

    std::string sex = ini.Get("People", "Sex", "BOY", 5);
    if (sex.empty())
        return false;
    m_nSex = sex == "BOY" ? 0 : 1;

    FillLanAddresses(m_addresses.get(), m_szLocalAddress);
    return true;
}

UserEntry CSenderProfile::Self() const {
    UserEntry u;
    SetField(u.nick, m_szNick);
    SetField(u.ip, m_szLocalAddress);
    u.sex = m_nSex;
    return u;
}
