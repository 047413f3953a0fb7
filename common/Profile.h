#pragma once
// The user's identity, own room and the run-time lists, kept in one global record.

#include "CUserList.h"
#include "Records.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr size_t LAN_ADDRESS_COUNT = 65536;

extern char g_szSetupPath[1024];

class CProfile {
public:
    CProfile();
    ~CProfile();
    CProfile(const CProfile&) = delete;
    CProfile& operator=(const CProfile&) = delete;

    void Load();
    // Writes the four keys; false when the file could not be written (never shown).
    bool Save();
    void BuildLanAddresses();
    // After the first-start settings, the own room's creator follows the chosen identity.
    void AdoptIdentity(const std::string& nick, int32_t sex);

    RoomInfo m_myRoom;
    UserEntry m_self;
    CUserList m_users;
    std::vector<RoomInfo> m_rooms;
    char m_lanAddresses[LAN_ADDRESS_COUNT][16];
    bool m_hosting;
    bool m_joined;

private:
    // Setup.ini exists but could not be read at start: Save leaves it alone.
    bool m_bKeepFile = false;
};

extern CProfile theProfile;

// The /16 prefix rule: the address text up to and including its second dot (within the
// first 16 bytes), or empty when there is no second dot.
std::string LanPrefix(const char* ip);
// Fills table with prefix + "a.b", entry a * 256 + b.
void FillLanAddresses(char (*table)[16], const char* ip);
