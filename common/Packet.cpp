#include "Packet.h"

#include "GbkText.h"


namespace {

constexpr size_t kBody = 1;
constexpr size_t kUserSize = 40;
constexpr size_t kUtText = 41;
constexpr size_t kUutAddressee = 41;
constexpr size_t kUutText = 81;
static_assert(kUtText == kBody + kUserSize && kUutText == kUutAddressee + kUserSize,
              "the text and the addressee follow the records they come after");

int32_t GetInt(const uint8_t* at)
{
    // Little-endian on the wire, whatever the host.
    uint32_t v = uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 |
                 uint32_t(at[3]) << 24;
    return static_cast<int32_t>(v);
}

void PutInt(uint8_t* at, int32_t value)
{
    uint32_t v = static_cast<uint32_t>(value);
    at[0] = uint8_t(v);
    at[1] = uint8_t(v >> 8);
    at[2] = uint8_t(v >> 16);
    at[3] = uint8_t(v >> 24);
}

void PutUser(Packet& p, size_t at, const UserEntry& u)
{
    SetField(reinterpret_cast<char*>(p.bytes + at), 20, FieldText(u.nick));
    SetField(reinterpret_cast<char*>(p.bytes + at + 20), 16, FieldText(u.ip));
    PutInt(p.bytes + at + 36, u.sex);
}

void PutText(Packet& p, size_t at, size_t width, const std::string& text)
{
    SetField(reinterpret_cast<char*>(p.bytes + at), width, text);
}

std::string GetText(const uint8_t* at, size_t width)
{
    return FieldText(reinterpret_cast<const char*>(at), width);
}

UserEntry GetUser(const uint8_t* at)
{
    UserEntry u;
    SetField(u.nick, GetText(at, 20));
    SetField(u.ip, GetText(at + 20, 16));
    u.sex = GetInt(at + 36);
    return u;
}

} // namespace

Packet::Packet() : bytes{} {}

Packet EncodeUser(PacketType type, const UserEntry& user)
{
    Packet p;
    p.bytes[0] = static_cast<uint8_t>(type);
    PutUser(p, kBody, user);
    return p;
}

Packet EncodeRoom(PacketType type, const RoomInfo& room)
{
    Packet p;
    p.bytes[0] = static_cast<uint8_t>(type);
    PutText(p, 1, 20, FieldText(room.name));
    PutInt(p.bytes + 21, room.memberCount);
    PutText(p, 25, 100, FieldText(room.intro));
    PutUser(p, 125, room.creator);
    return p;
}

Packet EncodeUserText(PacketType type, const UserEntry& user, const std::string& text)
{
    Packet p = EncodeUser(type, user);
    PutText(p, kUtText, PACKET_SIZE - kUtText, text);
    return p;
}

Packet EncodeUserUserText(PacketType type, const UserEntry& speaker, const UserEntry& addressee,
                          const std::string& text)
{
    Packet p = EncodeUser(type, speaker);
    PutUser(p, kUutAddressee, addressee);
    PutText(p, kUutText, PACKET_SIZE - kUutText, text);
    return p;
}

BodyForm FormOf(int8_t type)
{
    switch (type) {
    case PT_HELLO:
    case PT_HELLO_ACK:
    case PT_BYE:
    case PT_ROOM_LEAVE:
    case PT_ROOM_JOIN:
    case PT_MEMBER_ADD:
    case PT_MEMBER_REMOVE:
        return BodyForm::U;
    case PT_ROOM_INFO:
    case PT_ROOM_CLOSED:
    case PT_HOST_BYE:
    case PT_ROOM_UPDATE:
        return BodyForm::R;
    case PT_PRIVATE_MSG:
    case PT_ROOM_SAY:
        return BodyForm::UT;
    case PT_ROOM_SAY_TO:
        return BodyForm::UUT;
    default:
        return BodyForm::None;
    }
}

bool DecodeDatagram(const void* data, size_t len, Datagram& out)
{
    if (data == nullptr || len < size_t(PACKET_SIZE))
        return false;
    const uint8_t* b = static_cast<const uint8_t*>(data);
    int8_t type = static_cast<int8_t>(b[0]);
    BodyForm form = FormOf(type);
    if (form == BodyForm::None)
        return false;
    out = Datagram();
    out.type = type;
    switch (form) {
    case BodyForm::U:
        out.user = GetUser(b + kBody);
        break;
    case BodyForm::R:
        SetField(out.room.name, GetText(b + 1, 20));
        out.room.memberCount = GetInt(b + 21);
        SetField(out.room.intro, GetText(b + 25, 100));
        out.room.creator = GetUser(b + 125);
        break;
    case BodyForm::UT:
        out.user = GetUser(b + kBody);
        out.text = GetText(b + kUtText, PACKET_SIZE - kUtText);
        break;
    case BodyForm::UUT:
        out.user = GetUser(b + kBody);
        out.addressee = GetUser(b + kUutAddressee);
        out.text = GetText(b + kUutText, PACKET_SIZE - kUutText);
        break;
    case BodyForm::None:
        break;
    }
    return true;
}
