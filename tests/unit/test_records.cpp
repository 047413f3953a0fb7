// Byte layouts and identity rules that every peer on the LAN relies on.
#include "GbkText.h"
#include "Packet.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

UserEntry User(const std::string& nick, const std::string& ip, int32_t sex)
{
    UserEntry u;
    SetField(u.nick, nick);
    SetField(u.ip, ip);
    u.sex = sex;
    return u;
}

std::string At(const Packet& p, size_t offset, size_t len)
{
    return std::string(reinterpret_cast<const char*>(p.bytes) + offset, len);
}

int32_t IntAt(const Packet& p, size_t offset)
{
    return int32_t(uint32_t(p.bytes[offset]) | uint32_t(p.bytes[offset + 1]) << 8 |
                   uint32_t(p.bytes[offset + 2]) << 16 | uint32_t(p.bytes[offset + 3]) << 24);
}

bool ZeroFrom(const Packet& p, size_t offset)
{
    for (size_t i = offset; i < sizeof p.bytes; ++i)
        if (p.bytes[i] != 0)
            return false;
    return true;
}

} // namespace

TEST(Records, ConstructorDefaults)
{
    UserEntry u;
    EXPECT_EQ(FieldText(u.nick), "zoly");
    EXPECT_EQ(FieldText(u.ip), "127.0.0.1");
    EXPECT_EQ(u.sex, 0);
    RoomInfo r;
    EXPECT_EQ(FieldText(r.name), GbkFromUtf8("天论"));
    EXPECT_EQ(r.memberCount, 0);
    EXPECT_EQ(FieldText(r.intro), GbkFromUtf8("欢迎大家来讨论!"));
    EXPECT_TRUE(SameUser(r.creator, u));
    EXPECT_EQ(offsetof(RoomInfo, intro), 24u);
    EXPECT_EQ(offsetof(RoomInfo, creator), 124u);
}

TEST(Records, SameUserNeedsSexNickAndAddress)
{
    UserEntry a = User("tom", "10.0.0.1", 0);
    EXPECT_TRUE(SameUser(a, User("tom", "10.0.0.1", 0)));
    EXPECT_FALSE(SameUser(a, User("tom", "10.0.0.2", 0)));
    EXPECT_FALSE(SameUser(a, User("tom", "10.0.0.1", 1)));
    EXPECT_FALSE(SameUser(a, User("Tom", "10.0.0.1", 0))); // no case folding
    EXPECT_FALSE(SameUser(a, User("tom ", "10.0.0.1", 0))); // no trimming
    // Bytes after the NUL play no part.
    UserEntry b = a;
    b.nick[10] = 'x';
    EXPECT_TRUE(SameUser(a, b));
    EXPECT_EQ(UserKey(a), "tom 10.0.0.1");
}

TEST(Records, FieldsCutWithoutSplittingDoubleByteCharacters)
{
    UserEntry u;
    std::string nineteen(19, 'n');
    SetField(u.nick, nineteen);
    EXPECT_EQ(FieldText(u.nick), nineteen);
    EXPECT_EQ(u.nick[19], '\0');
    // 9 Chinese characters (18 bytes) + one more would be 20: the last one is dropped whole.
    std::string ten = GbkFromUtf8("一二三四五六七八九十");
    ASSERT_EQ(ten.size(), 20u);
    SetField(u.nick, ten);
    EXPECT_EQ(FieldText(u.nick), ten.substr(0, 18));
    // ASCII followed by a double-byte character straddling the limit.
    SetField(u.nick, std::string(18, 'a') + GbkFromUtf8("中"));
    EXPECT_EQ(FieldText(u.nick), std::string(18, 'a'));
}

TEST(Packet, FormULayout)
{
    Packet p = EncodeUser(PT_HELLO, User(std::string(19, 'n'), "192.168.1.5", 1));
    EXPECT_EQ(p.bytes[0], 0);
    EXPECT_EQ(At(p, 1, 20), std::string(19, 'n') + '\0');
    EXPECT_EQ(At(p, 21, 12), std::string("192.168.1.5") + '\0');
    EXPECT_EQ(IntAt(p, 37), 1);
    EXPECT_TRUE(ZeroFrom(p, 41));
}

TEST(Packet, FormRLayoutCarriesIntro)
{
    RoomInfo r;
    SetField(r.name, "room");
    r.memberCount = -2;
    SetField(r.intro, "hello all");
    r.creator = User("amy", "10.1.2.3", 1);
    Packet p = EncodeRoom(PT_ROOM_UPDATE, r);
    EXPECT_EQ(p.Type(), PT_ROOM_UPDATE);
    EXPECT_EQ(At(p, 1, 5), std::string("room") + '\0');
    EXPECT_EQ(IntAt(p, 21), -2);
    EXPECT_EQ(At(p, 25, 10), std::string("hello all") + '\0');
    EXPECT_EQ(At(p, 125, 4), std::string("amy") + '\0');
    EXPECT_EQ(At(p, 145, 9), std::string("10.1.2.3") + '\0');
    EXPECT_EQ(IntAt(p, 161), 1);
    EXPECT_TRUE(ZeroFrom(p, 165));

    Datagram d;
    ASSERT_TRUE(DecodeDatagram(p.bytes, sizeof p.bytes, d));
    EXPECT_EQ(FieldText(d.room.name), "room");
    EXPECT_EQ(d.room.memberCount, -2);
    EXPECT_EQ(FieldText(d.room.intro), "hello all");
    EXPECT_TRUE(SameUser(d.room.creator, r.creator));
}

TEST(Packet, FormUTTextOf200BytesEndsAt241)
{
    std::string text(200, 't');
    Packet p = EncodeUserText(PT_PRIVATE_MSG, User("a", "1.2.3.4", 0), text);
    EXPECT_EQ(At(p, 41, 200), text);
    EXPECT_EQ(p.bytes[241], 0);
    Datagram d;
    ASSERT_TRUE(DecodeDatagram(p.bytes, sizeof p.bytes, d));
    EXPECT_EQ(d.text, text);
    // The longest text the form holds keeps its NUL inside the datagram.
    Packet full = EncodeUserText(PT_ROOM_SAY, User("a", "1.2.3.4", 0), std::string(300, 'x'));
    EXPECT_EQ(full.bytes[280], 0);
    ASSERT_TRUE(DecodeDatagram(full.bytes, sizeof full.bytes, d));
    EXPECT_EQ(d.text.size(), UT_TEXT_MAX);
}

TEST(Packet, FormUUTLayoutAndCut)
{
    UserEntry from = User("ann", "10.0.0.2", 1), to = User("tom", "10.0.0.3", 0);
    Packet p = EncodeUserUserText(PT_ROOM_SAY_TO, from, to, "hi");
    EXPECT_EQ(At(p, 41, 4), std::string("tom") + '\0');
    EXPECT_EQ(At(p, 61, 9), std::string("10.0.0.3") + '\0');
    EXPECT_EQ(IntAt(p, 77), 0);
    EXPECT_EQ(At(p, 81, 3), std::string("hi") + '\0');

    // A 200-byte line of Chinese loses its last character whole, not half of it.
    std::string chinese;
    for (int i = 0; i < 100; ++i)
        chinese += GbkFromUtf8("中");
    Datagram d;
    p = EncodeUserUserText(PT_ROOM_SAY_TO, from, to, chinese);
    ASSERT_TRUE(DecodeDatagram(p.bytes, sizeof p.bytes, d));
    EXPECT_EQ(d.text, chinese.substr(0, 198));
    EXPECT_TRUE(SameUser(d.addressee, to));
    EXPECT_TRUE(SameUser(d.user, from));
}

TEST(Packet, MalformedDatagramsAreSafe)
{
    Datagram d;
    Packet p = EncodeUser(PT_HELLO, UserEntry());
    EXPECT_FALSE(DecodeDatagram(p.bytes, PACKET_SIZE - 1, d)); // short
    EXPECT_FALSE(DecodeDatagram(nullptr, 0, d));
    for (int type : {12, 15, 100, 127, 128, 200, 255}) {
        p.bytes[0] = uint8_t(type);
        EXPECT_FALSE(DecodeDatagram(p.bytes, PACKET_SIZE, d)) << type;
    }
    // Fields without a NUL end at their width; nothing reads past the datagram.
    std::memset(p.bytes, 'A', sizeof p.bytes);
    p.bytes[0] = PT_ROOM_SAY_TO;
    ASSERT_TRUE(DecodeDatagram(p.bytes, sizeof p.bytes, d));
    EXPECT_EQ(FieldText(d.user.nick), std::string(19, 'A'));
    EXPECT_EQ(FieldText(d.user.ip), std::string(15, 'A'));
    EXPECT_EQ(d.text, std::string(200, 'A'));
    p.bytes[0] = PT_PRIVATE_MSG;
    ASSERT_TRUE(DecodeDatagram(p.bytes, sizeof p.bytes, d));
    EXPECT_EQ(d.text, std::string(240, 'A'));
    // A longer datagram is read as its first 281 bytes.
    std::string big(400, '\0');
    big[0] = PT_BYE;
    EXPECT_TRUE(DecodeDatagram(big.data(), big.size(), d));
}

TEST(Packet, EncodingIsDeterministic)
{
    UserEntry u = User("x", "1.1.1.1", 0);
    u.nick[5] = 'j'; // junk behind the NUL must not travel
    Packet a = EncodeUser(PT_BYE, u);
    Packet b = EncodeUser(PT_BYE, User("x", "1.1.1.1", 0));
    EXPECT_EQ(0, std::memcmp(a.bytes, b.bytes, sizeof a.bytes));
}
