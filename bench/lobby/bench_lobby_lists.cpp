// What a user feels in a busy lobby: a hello or goodbye handled with up to 65,536 users
// listed (a whole /16), and a room update or close with 1,000 rooms listed, each including
// the model update and the repaint of the lists on screen. Target: each at most twice the
// baseline, measured in the same run: repainting the same lobby with nothing changed.

#include "CLobbyDlg.h"
#include "IChatEndpoint.h"
#include "LobbyPaths.h"
#include "MessageBox.h"
#include "Packet.h"
#include "Profile.h"
#include "QtBenchmarkMain.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
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

// Times one frame's work and, interleaved with it so that load on the machine hits both
// alike, the baseline: a frame of the same lobby with nothing changed. The manual time
// is the change's wall time; "ratio" compares thread CPU times (what this program spent),
// "ratio_wall" wall times.
struct Stopwatch {
    static double Cpu()
    {
        timespec t;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
    }
    static double Wall()
    {
        timespec t;
        clock_gettime(CLOCK_MONOTONIC, &t);
        return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
    }
};

template <typename Change> void AgainstRepaint(benchmark::State& state, Lobby& lobby, Change change)
{
    double baseCpu = 0, baseWall = 0, workCpu = 0, workWall = 0;
    for (auto _ : state) {
        const double c0 = Stopwatch::Cpu(), w0 = Stopwatch::Wall();
        lobby.Settle();
        const double c1 = Stopwatch::Cpu(), w1 = Stopwatch::Wall();
        change();
        const double c2 = Stopwatch::Cpu(), w2 = Stopwatch::Wall();
        baseCpu += c1 - c0;
        baseWall += w1 - w0;
        workCpu += c2 - c1;
        workWall += w2 - w1;
        state.SetIterationTime(w2 - w1);
    }
    const double n = double(state.iterations());
    state.counters["base_ms"] = baseWall / n * 1000;
    state.counters["base_cpu_ms"] = baseCpu / n * 1000;
    state.counters["cpu_ms"] = workCpu / n * 1000;
    state.counters["ratio"] = workCpu / baseCpu;
    state.counters["ratio_wall"] = workWall / baseWall;
}

void BM_Baseline_RepaintLobby(benchmark::State& state)
{
    Lobby lobby(int(state.range(0)), 1000);
    AgainstRepaint(state, lobby, [&] { lobby.Settle(); });
}
BENCHMARK(BM_Baseline_RepaintLobby)->Arg(10000)->Arg(65536)->UseManualTime()->Unit(
    benchmark::kMillisecond);

// A newcomer's hello (appended and answered), then its goodbye (its row removed), each
// followed by a frame. Target: at most twice the baseline, also at 65,536 users.
void BM_HelloThenGoodbye(benchmark::State& state)
{
    Lobby lobby(int(state.range(0)), 0);
    int next = int(state.range(0));
    AgainstRepaint(state, lobby, [&] {
        const UserEntry u = NumberedUser(next++);
        lobby.Deliver(EncodeUser(PT_HELLO, u));
        lobby.Settle();
        lobby.Deliver(EncodeUser(PT_BYE, u));
        lobby.Settle();
    });
    state.counters["ratio"] = state.counters["ratio"] / 2; // two frames
    state.counters["ratio_wall"] = state.counters["ratio_wall"] / 2;
}
BENCHMARK(BM_HelloThenGoodbye)->Arg(10000)->Arg(65536)->UseManualTime()->Unit(
    benchmark::kMillisecond);

// A listed room's member count changes, with 1,000 rooms listed.
void BM_RoomUpdate_1kRooms(benchmark::State& state)
{
    Lobby lobby(1000, 1000);
    int count = 0;
    AgainstRepaint(state, lobby, [&] {
        lobby.Deliver(EncodeRoom(PT_ROOM_UPDATE, NumberedRoom(500, ++count)));
        lobby.Settle();
    });
}
BENCHMARK(BM_RoomUpdate_1kRooms)->UseManualTime()->Unit(benchmark::kMillisecond);

// A room closes and is announced again, with 1,000 rooms listed; two frames.
void BM_RoomCloseThenInfo_1kRooms(benchmark::State& state)
{
    Lobby lobby(1000, 1000);
    AgainstRepaint(state, lobby, [&] {
        lobby.Deliver(EncodeRoom(PT_ROOM_CLOSED, NumberedRoom(500, 0)));
        lobby.Settle();
        lobby.Deliver(EncodeRoom(PT_ROOM_INFO, NumberedRoom(500, 0)));
        lobby.Settle();
    });
    state.counters["ratio"] = state.counters["ratio"] / 2;
    state.counters["ratio_wall"] = state.counters["ratio_wall"] / 2;
}
BENCHMARK(BM_RoomCloseThenInfo_1kRooms)->UseManualTime()->Unit(benchmark::kMillisecond);

// The burst a newcomer's broadcast brings: N distinct hellos, then their N goodbyes in
// the same order (arg 1 = 0) or the reverse (1), through the lobby's handlers, with one
// frame after each burst (repaints coalesce). Reported: the total time.
void BM_Burst_HellosThenGoodbyes(benchmark::State& state)
{
    const int count = int(state.range(0));
    Lobby lobby(0, 0);
    std::vector<Packet> hellos;
    std::vector<Packet> byes;
    for (int i = 0; i < count; ++i) {
        hellos.push_back(EncodeUser(PT_HELLO, NumberedUser(i)));
        byes.push_back(EncodeUser(PT_BYE, NumberedUser(i)));
    }
    if (state.range(1) != 0)
        std::reverse(byes.begin(), byes.end());
    for (auto _ : state) {
        for (const Packet& p : hellos)
            lobby.Deliver(p);
        lobby.Settle();
        for (const Packet& p : byes)
            lobby.Deliver(p);
        lobby.Settle();
    }
    state.SetItemsProcessed(state.iterations() * 2 * count);
}
BENCHMARK(BM_Burst_HellosThenGoodbyes)
    ->Args({10000, 0})
    ->Args({65536, 0})
    ->Args({65536, 1})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return RunQtBenchmarks<QApplication>(argc, argv); }
