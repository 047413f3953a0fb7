// What a user feels in a busy lobby: a hello, answer or goodbye handled with 10,000
// users listed, and a room update or close with 1,000 rooms listed, each including the
// model update and the repaint of the lists. Budget: one frame (16 ms) per datagram.
// Baseline, measured in the same run: repainting the same lobby with nothing changed.

#include "CLobbyDlg.h"
#include "IChatEndpoint.h"
#include "LobbyPaths.h"
#include "MessageBox.h"
#include "Packet.h"
#include "Profile.h"
#include "QtBenchmarkMain.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

class NullEndpoint : public IChatEndpoint {
public:
    void SendTo(const Packet&, const char*) override { ++sent; }
    long sent = 0;
};

class AnswerAll : public IBoxResponder {
public:
    bool Answer(const BoxRecord&) override { return true; }
};

UserEntry NumberedUser(int n)
{
    UserEntry u;
    char nick[20];
    std::snprintf(nick, sizeof nick, "user%d", n);
    SetField(u.nick, nick);
    char ip[16];
    std::snprintf(ip, sizeof ip, "127.%d.%d.%d", (n >> 16) & 255, (n >> 8) & 255, n & 255);
    SetField(u.ip, ip);
    u.sex = n & 1;
    return u;
}

RoomInfo NumberedRoom(int n, int members)
{
    RoomInfo r;
    char name[20];
    std::snprintf(name, sizeof name, "room%d", n);
    SetField(r.name, name);
    r.memberCount = members;
    r.creator = NumberedUser(n);
    return r;
}

// A shown lobby with its lists filled, sending into nothing.
struct Lobby {
    Lobby(int users, int rooms)
    {
        theProfile.m_users.clear();
        theProfile.m_rooms.clear();
        std::snprintf(g_szSenderPath, sizeof g_szSenderPath, "/proc/self/exe");
        SetBoxResponder(&boxes);
        dlg = std::make_unique<CLobbyDlg>();
        dlg->UseEndpointForTesting(&endpoint);
        dlg->SetProgramStarterForTesting([](const std::string&) { return true; });
        dlg->OnInitDialog();
        dlg->resize(1280, 800);
        for (int i = 0; i < users; ++i)
            Deliver(EncodeUser(PT_HELLO_ACK, NumberedUser(i)));
        for (int i = 0; i < rooms; ++i)
            Deliver(EncodeRoom(PT_ROOM_INFO, NumberedRoom(i, 0)));
        Settle();
    }
    ~Lobby()
    {
        dlg->ShutDown();
        dlg.reset();
        SetBoxResponder(nullptr);
        theProfile.m_users.clear();
        theProfile.m_rooms.clear();
    }
    void Deliver(const Packet& p) { dlg->OnDatagram(p.Data(), PACKET_SIZE); }
    // Layout and paint as the next frame would.
    void Settle()
    {
        QApplication::processEvents();
        dlg->repaint();
    }

    AnswerAll boxes;
    NullEndpoint endpoint;
    std::unique_ptr<CLobbyDlg> dlg;
};

void BM_Baseline_RepaintLobby(benchmark::State& state)
{
    Lobby lobby(10000, 1000);
    for (auto _ : state)
        lobby.Settle();
}
BENCHMARK(BM_Baseline_RepaintLobby)->Unit(benchmark::kMillisecond);

// A newcomer's hello (appended and answered), then its goodbye (removed, list rebuilt),
// each followed by a frame, with 10,000 users listed.
void BM_HelloThenGoodbye_10kUsers(benchmark::State& state)
{
    Lobby lobby(10000, 0);
    int next = 10000;
    for (auto _ : state) {
        const UserEntry u = NumberedUser(next++);
        lobby.Deliver(EncodeUser(PT_HELLO, u));
        lobby.Settle();
        lobby.Deliver(EncodeUser(PT_BYE, u));
        lobby.Settle();
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_HelloThenGoodbye_10kUsers)->Unit(benchmark::kMillisecond);

// The burst a newcomer's broadcast brings: 10,000 distinct hellos, then their 10,000
// goodbyes, with one frame after each burst (repaints coalesce).
void BM_Burst_10kHellosThen10kGoodbyes(benchmark::State& state)
{
    Lobby lobby(0, 0);
    std::vector<Packet> hellos;
    std::vector<Packet> byes;
    for (int i = 0; i < 10000; ++i) {
        hellos.push_back(EncodeUser(PT_HELLO, NumberedUser(i)));
        byes.push_back(EncodeUser(PT_BYE, NumberedUser(i)));
    }
    for (auto _ : state) {
        for (const Packet& p : hellos)
            lobby.Deliver(p);
        lobby.Settle();
        for (const Packet& p : byes)
            lobby.Deliver(p);
        lobby.Settle();
    }
    state.SetItemsProcessed(state.iterations() * 20000);
}
BENCHMARK(BM_Burst_10kHellosThen10kGoodbyes)->Unit(benchmark::kMillisecond);

// A listed room's member count changes (the list is rebuilt), with 1,000 rooms listed.
void BM_RoomUpdate_1kRooms(benchmark::State& state)
{
    Lobby lobby(1000, 1000);
    int count = 0;
    for (auto _ : state) {
        lobby.Deliver(EncodeRoom(PT_ROOM_UPDATE, NumberedRoom(500, ++count)));
        lobby.Settle();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RoomUpdate_1kRooms)->Unit(benchmark::kMillisecond);

// A room closes and is announced again, with 1,000 rooms listed.
void BM_RoomCloseThenInfo_1kRooms(benchmark::State& state)
{
    Lobby lobby(1000, 1000);
    for (auto _ : state) {
        lobby.Deliver(EncodeRoom(PT_ROOM_CLOSED, NumberedRoom(500, 0)));
        lobby.Settle();
        lobby.Deliver(EncodeRoom(PT_ROOM_INFO, NumberedRoom(500, 0)));
        lobby.Settle();
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_RoomCloseThenInfo_1kRooms)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return RunQtBenchmarks<QApplication>(argc, argv); }
