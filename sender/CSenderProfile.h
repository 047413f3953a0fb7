#pragma once
// What the announcer reads before it announces: the identity keys of Setup.ini, the local
// address, and the 65,536 addresses of the local /16 network. It never writes the file,
// and unlike Linquo it refuses a missing file or an empty nickname or sex.

#include "Profile.h"
#include "Records.h"

#include <memory>

class CSenderProfile {
public:
    CSenderProfile();

    // False when the file is missing or "Nick" or "Sex" is present but empty.
    bool Load();

    // The hello's record: nickname, local address and sex.
    UserEntry Self() const;
    const char (*Addresses() const)[16] { return m_addresses.get(); }
    const char *ProfilePath() const { return m_szProfilePath; }

private:
    char m_szProfilePath[1024];
    char m_szNick[20];
    char m_szLocalAddress[16];
    int32_t m_nSex;
    // Built in full before the first datagram leaves.
    std::unique_ptr<char[][16]> m_addresses;
};
