#include "LobbyScript.h"

#include "GbkText.h"
#include "Profile.h"

#include <cstring>

namespace {

UserEntry Cast(const char* nick, const char* ip, int32_t sex)
{
    UserEntry u;
    SetField(u.nick, GbkFromUtf8(nick));
    SetField(u.ip, ip);
    u.sex = sex;
    return u;
}

// Peers whose identities differ in one part only (sex, address, nickname), so that
// identity and UserKey lookups are put to the test. Loopback addresses only.
const UserEntry& Peer(unsigned i)
{
    static const UserEntry cast[] = {
        Cast("甲", "127.0.0.2", 0), Cast("乙", "127.0.0.3", 1), Cast("甲", "127.0.0.2", 1),
        Cast("甲", "127.0.0.4", 0), Cast("<b>丙</b>", "127.0.0.5", 7),
        Cast("丁丁丁丁丁丁丁丁丁x", "127.255.255.255", -1),
    };
    return cast[i % (sizeof cast / sizeof cast[0])];
}

} // namespace

std::string LobbyScript::Bytes(size_t n)
{
    const size_t take = n < m_size - m_pos ? n : m_size - m_pos;
    std::string s(reinterpret_cast<const char*>(m_data + m_pos), take);
    m_pos += take;
    return s;
}

template <typename List>
auto LobbyScript::Pick(const List* list) -> const std::remove_reference_t<decltype((*list)[0])>*
{
    const uint8_t i = Byte();
    if (!list || list->empty())
        return nullptr;
    return &(*list)[i % list->size()];
}

UserEntry LobbyScript::User(const Scene& scene)
{
    const uint8_t what = Byte();
    const UserEntry* picked = nullptr;
    switch (what % 12) {
    case 0:
        return theProfile.m_self;
    case 1: {
        UserEntry twin = theProfile.m_self; // same UserKey, another user
        twin.sex = twin.sex == 0 ? 1 : 0;
        return twin;
    }
    case 2:
        picked = Pick(scene.users);
        break;
    case 3: {
        const RoomInfo* room = Pick(scene.rooms);
        picked = room ? &room->creator : nullptr;
        break;
    }
    case 4:
        picked = Pick(scene.members);
        break;
    case 5:
        picked = Pick(&scene.chatPeers);
        break;
    case 6:
        picked = scene.windowRoom ? &scene.windowRoom->creator : nullptr;
        break;
    case 7: {
        // A record as the wire can carry it: any bytes through the decoder.
        Packet p;
        const std::string body = Bytes(sizeof(UserEntry));
        std::memcpy(p.bytes + 1, body.data(), body.size());
        ::Datagram d;
        DecodeDatagram(p.bytes, PACKET_SIZE, d);
        return d.user;
    }
    default:
        return Peer(what / 12);
    }
    return picked ? *picked : Peer(what);
}

RoomInfo LobbyScript::Room(const Scene& scene)
{
    const uint8_t what = Byte();
    const RoomInfo* picked = nullptr;
    switch (what % 4) {
    case 0:
        return theProfile.m_myRoom;
    case 1:
        picked = Pick(scene.rooms);
        break;
    case 2:
        picked = scene.windowRoom;
        break;
    default:
        break;
    }
    RoomInfo r = picked ? *picked : RoomInfo();
    if (!picked || (what & 0x80) != 0) {
        // A room of anybody, or a listed one under another name and count.
        if (!picked)
            r.creator = User(scene);
        SetField(r.name, Bytes(Byte() % 24));
        const uint8_t count = Byte();
        r.memberCount = static_cast<int8_t>(count);
        SetField(r.intro, Bytes(Byte() % 8));
    }
    return r;
}

std::string LobbyScript::Text()
{
    const uint8_t n = Byte();
    // Mostly short lines, sometimes past every field's width.
    return Bytes(n < 240 ? n % 40 : 200 + (n - 240) * 4);
}

Packet LobbyScript::Datagram(const Scene& scene)
{
    const uint8_t t = Byte();
    // 0 to 15 covers every type and two without a handler; the top values are negative.
    const auto type = static_cast<PacketType>(t >= 0xF8 ? static_cast<int8_t>(t) : t % 16);
    switch (FormOf(type)) {
    case BodyForm::U:
        return EncodeUser(type, User(scene));
    case BodyForm::R:
        return EncodeRoom(type, Room(scene));
    case BodyForm::UT: {
        const UserEntry u = User(scene);
        return EncodeUserText(type, u, Text());
    }
    case BodyForm::UUT: {
        const UserEntry u = User(scene);
        const UserEntry to = User(scene);
        return EncodeUserUserText(type, u, to, Text());
    }
    case BodyForm::None:
        break;
    }
    Packet p;
    p.bytes[0] = static_cast<uint8_t>(type);
    return p;
}

std::string LobbyScript::RawDatagram()
{
    const uint8_t n = Byte();
    // Usually a whole datagram, sometimes a short one.
    return Bytes(n < 200 ? PACKET_SIZE : n);
}
