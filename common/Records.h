#pragma once
// The shared user and room records, laid out byte for byte as they travel.

#include <cstdint>
#include <string>

constexpr int CHAT_PORT = 8800;
constexpr int PACKET_SIZE = 281;

enum PacketType : int8_t {
    PT_HELLO = 0,
    PT_HELLO_ACK = 1,
    PT_ROOM_INFO = 2,
    PT_BYE = 3,
    PT_ROOM_CLOSED = 4,
    PT_HOST_BYE = 5,
    PT_PRIVATE_MSG = 6,
    PT_ROOM_UPDATE = 7,
    PT_ROOM_LEAVE = 8,
    PT_ROOM_JOIN = 9,
    PT_MEMBER_ADD = 10,
    PT_MEMBER_REMOVE = 11,
    PT_ROOM_SAY = 13,
    PT_ROOM_SAY_TO = 14,
};

// Texts are GBK bytes, NUL-terminated inside their field.
struct UserEntry {
    char nick[20];
    char ip[16];
    int32_t sex; // 0 male, anything else female; also the icon index

    UserEntry();
};

struct RoomInfo {
    char name[20];
    int32_t memberCount; // joined users, the creator not counted
    char intro[100];
    UserEntry creator;

    RoomInfo();
};

static_assert(sizeof(UserEntry) == 40, "UserEntry must be 40 bytes");
static_assert(sizeof(RoomInfo) == 164, "RoomInfo must be 164 bytes");

// Identity: sex, then nick, then ip, all byte for byte.
bool SameUser(const UserEntry& a, const UserEntry& b);

// "%s %s" of nickname and address: the user list's text and lookup key.
std::string UserKey(const UserEntry& u);
std::string UserKey(const char* nick, const char* ip);

// Copies a NUL-terminated (or width-bounded) text into a fixed field, cutting at the
// field width less one without splitting a double-byte GBK character.
void SetField(char* field, size_t width, const char* text);
void SetField(char* field, size_t width, const std::string& text);
template <size_t N> void SetField(char (&field)[N], const std::string& text)
{
    SetField(field, N, text);
}
template <size_t N> void SetField(char (&field)[N], const char* text) { SetField(field, N, text); }

// The text of a field, ending at its NUL or at the field's width.
std::string FieldText(const char* field, size_t width);
template <size_t N> std::string FieldText(const char (&field)[N]) { return FieldText(field, N); }
