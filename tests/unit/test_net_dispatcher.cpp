// Routing of received datagrams: which handler each type reaches in each room state, what
// it receives, and that malformed datagrams reach nobody.
#include "Dispatcher.h"
#include "Packet.h"
#include "Profile.h"
#include "test_net_doubles.h"

#include <gtest/gtest.h>

#include <vector>

using namespace nettest;

namespace {

// The room states the dispatcher can meet, including ones the lobby should never be in.
enum State { Free, Hosting, Joined, HostingNoWindow, JoinedNoWindow, WindowOnly, StateCount };
const char* const kStateNames[] = {"free",           "hosting",       "joined",
                                   "hosting/no wnd", "joined/no wnd", "window only"};

struct DispatchTest : ::testing::Test {
    CallLog log;
    FakeRoomWindow room{log};
    FakeHandler handler{log};
    bool savedHosting = theProfile.m_hosting;
    bool savedJoined = theProfile.m_joined;

    ~DispatchTest() override
    {
        theProfile.m_hosting = savedHosting;
        theProfile.m_joined = savedJoined;
    }

    void Enter(State s)
    {
        theProfile.m_hosting = s == Hosting || s == HostingNoWindow;
        theProfile.m_joined = s == Joined || s == JoinedNoWindow;
        handler.window = (s == Hosting || s == Joined || s == WindowOnly) ? &room : nullptr;
    }

    // The name of the one method called, or "" when nothing was called.
    std::string Route(const Packet& p)
    {
        log.calls.clear();
        DispatchDatagram(p.bytes, sizeof p.bytes, handler);
        if (log.calls.empty())
            return "";
        EXPECT_EQ(log.calls.size(), 1u);
        return log.calls[0].substr(0, log.calls[0].find(' '));
    }
};

Packet ForType(int8_t type)
{
    const UserEntry u = MakeUser("amy", "127.0.0.9", 1);
    RoomInfo r;
    r.creator = u;
    switch (FormOf(type)) {
    case BodyForm::R:
        return EncodeRoom(PacketType(type), r);
    case BodyForm::UT:
        return EncodeUserText(PacketType(type), u, "hi");
    case BodyForm::UUT:
        return EncodeUserUserText(PacketType(type), u, MakeUser("bob", "127.0.0.8"), "hi");
    default:
        break;
    }
    Packet p = EncodeUser(PT_HELLO, u);
    p.bytes[0] = uint8_t(type);
    return p;
}

} // namespace

TEST_F(DispatchTest, EveryTypeReachesItsHandlerOnlyInTheRoomStatesThatAllowIt)
{
    struct Row {
        int8_t type;
        const char* expected[StateCount]; // free, hosting, joined, host/no wnd, joined/no wnd, wnd
    };
    const Row table[] = {
        {PT_HELLO, {"OnHello", "OnHello", "OnHello", "OnHello", "OnHello", "OnHello"}},
        {PT_HELLO_ACK,
         {"OnHelloAck", "OnHelloAck", "OnHelloAck", "OnHelloAck", "OnHelloAck", "OnHelloAck"}},
        {PT_ROOM_INFO,
         {"OnRoomInfo", "OnRoomInfo", "OnRoomInfo", "OnRoomInfo", "OnRoomInfo", "OnRoomInfo"}},
        {PT_BYE, {"OnBye", "OnBye", "OnBye", "OnBye", "OnBye", "OnBye"}},
        {PT_ROOM_CLOSED,
         {"OnRoomClosed", "OnRoomClosed", "OnRoomClosed", "OnRoomClosed", "OnRoomClosed",
          "OnRoomClosed"}},
        {PT_HOST_BYE,
         {"OnHostBye", "OnHostBye", "OnHostBye", "OnHostBye", "OnHostBye", "OnHostBye"}},
        {PT_PRIVATE_MSG,
         {"OnPrivateMessage", "OnPrivateMessage", "OnPrivateMessage", "OnPrivateMessage",
          "OnPrivateMessage", "OnPrivateMessage"}},
        {PT_ROOM_UPDATE,
         {"OnRoomUpdate", "OnRoomUpdate", "OnRoomUpdate", "OnRoomUpdate", "OnRoomUpdate",
          "OnRoomUpdate"}},
        {PT_ROOM_LEAVE, {"", "OnMemberLeave", "", "", "", ""}},
        {PT_ROOM_JOIN, {"", "OnJoinRequest", "", "", "", ""}},
        {PT_MEMBER_ADD, {"", "", "OnMemberEntered", "", "", ""}},
        {PT_MEMBER_REMOVE, {"", "", "OnMemberLeft", "", "", ""}},
        {12, {"", "", "", "", "", ""}},
        {PT_ROOM_SAY, {"", "ShowPublicLine", "ShowPublicLine", "", "", "ShowPublicLine"}},
        {PT_ROOM_SAY_TO, {"", "ShowDirectedLine", "ShowDirectedLine", "", "", "ShowDirectedLine"}},
        {15, {"", "", "", "", "", ""}},
        {127, {"", "", "", "", "", ""}},
        {-128, {"", "", "", "", "", ""}},
        {-1, {"", "", "", "", "", ""}},
    };
    for (const Row& row : table) {
        for (int s = 0; s < StateCount; ++s) {
            Enter(State(s));
            EXPECT_EQ(Route(ForType(row.type)), row.expected[s])
                << "type " << int(row.type) << " while " << kStateNames[s];
        }
    }
}

TEST_F(DispatchTest, HandlersReceiveTheDecodedRecordsAndTexts)
{
    Enter(Joined);
    const UserEntry amy = MakeUser("amy", "127.0.0.9", 1);
    const UserEntry bob = MakeUser("bob", "127.0.0.8", 0);
    RoomInfo r;
    SetField(r.name, "lounge");
    r.memberCount = 3;
    r.creator = bob;

    const std::vector<std::pair<Packet, std::string>> cases = {
        {EncodeUser(PT_HELLO, amy), "OnHello amy 127.0.0.9/1"},
        {EncodeUser(PT_BYE, bob), "OnBye bob 127.0.0.8/0"},
        {EncodeRoom(PT_ROOM_UPDATE, r), "OnRoomUpdate lounge/3/bob 127.0.0.8/0"},
        {EncodeUserText(PT_PRIVATE_MSG, amy, "psst"), "OnPrivateMessage amy 127.0.0.9/1 psst"},
        {EncodeUser(PT_MEMBER_ADD, bob), "OnMemberEntered bob 127.0.0.8/0"},
        {EncodeUserText(PT_ROOM_SAY, amy, "hello all"), "ShowPublicLine amy 127.0.0.9/1 hello all"},
        {EncodeUserUserText(PT_ROOM_SAY_TO, amy, bob, "just you"),
         "ShowDirectedLine amy 127.0.0.9/1 bob 127.0.0.8/0 just you"},
    };
    for (const auto& [packet, expected] : cases) {
        log.calls.clear();
        DispatchDatagram(packet.bytes, sizeof packet.bytes, handler);
        ASSERT_EQ(log.calls.size(), 1u) << expected;
        EXPECT_EQ(log.calls[0], expected);
    }
}

TEST_F(DispatchTest, ShortOrMissingDatagramsReachNobodyLongerOnesAreReadToTheirSize)
{
    Enter(Hosting);
    const Packet hello = EncodeUser(PT_HELLO, MakeUser("amy", "127.0.0.9"));
    DispatchDatagram(hello.bytes, 0, handler);
    DispatchDatagram(nullptr, 0, handler);
    DispatchDatagram(nullptr, PACKET_SIZE, handler);
    DispatchDatagram(hello.bytes, 1, handler);
    DispatchDatagram(hello.bytes, PACKET_SIZE - 1, handler);
    EXPECT_TRUE(log.calls.empty());

    std::vector<uint8_t> longer(hello.bytes, hello.bytes + PACKET_SIZE);
    longer.resize(PACKET_SIZE + 100, 0xEE);
    DispatchDatagram(longer.data(), longer.size(), handler);
    EXPECT_EQ(log.calls, std::vector<std::string>{"OnHello amy 127.0.0.9/0"});
}
