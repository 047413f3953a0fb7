#pragma once
// The 281-byte datagram and its four body forms. Encoding writes exactly the fields of a
// form and zeros everywhere else, so datagrams are deterministic; decoding never reads
// past a field or the datagram.

#include "Records.h"

#include <cstddef>
#include <cstdint>
#include <string>

struct Packet {
    uint8_t bytes[PACKET_SIZE];

    Packet();
    int8_t Type() const { return static_cast<int8_t>(bytes[0]); }
    const char* Data() const { return reinterpret_cast<const char*>(bytes); }
};
static_assert(sizeof(Packet) == 281, "Packet must be 281 bytes");

// The longest texts the forms hold (the field less its NUL).
constexpr size_t UT_TEXT_MAX = 239;
constexpr size_t UUT_TEXT_MAX = 199;

// Form U: one user.
Packet EncodeUser(PacketType type, const UserEntry& user);
// Form R: one room; the intro slot carries the room's intro.
Packet EncodeRoom(PacketType type, const RoomInfo& room);
// Form UT: a user and a text (cut to fit, never inside a double-byte character).
Packet EncodeUserText(PacketType type, const UserEntry& user, const std::string& text);
// Form UUT: speaker, addressee and a text (at most 199 bytes kept).
Packet EncodeUserUserText(PacketType type, const UserEntry& speaker, const UserEntry& addressee,
                          const std::string& text);

// What a received datagram carries, decoded in its type's form.
struct Datagram {
    int8_t type = -1;
    UserEntry user;      // forms U, UT and UUT (the speaker)
    UserEntry addressee; // form UUT
    RoomInfo room;       // form R
    std::string text;    // forms UT and UUT
};

// The form a type's body uses.
enum class BodyForm { None, U, R, UT, UUT };
BodyForm FormOf(int8_t type);

// Decodes a received datagram. False (nothing to handle) when it is shorter than
// PACKET_SIZE or its type has no form. Extra bytes beyond PACKET_SIZE are ignored.
bool DecodeDatagram(const void* data, size_t len, Datagram& out);
