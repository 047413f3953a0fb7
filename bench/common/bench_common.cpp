// Start-up cost of the address table and the per-datagram cost of the codec, each
// against a plain copy of the same bytes as baseline.
#include "Packet.h"
#include "Profile.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

char g_table[LAN_ADDRESS_COUNT][16];

void BM_BuildLanAddresses(benchmark::State& state)
{
    for (auto _ : state) {
        FillLanAddresses(g_table, "192.168.1.5");
        benchmark::DoNotOptimize(g_table);
    }
}
BENCHMARK(BM_BuildLanAddresses)->Unit(benchmark::kMillisecond);

void BM_Baseline_CopyTable(benchmark::State& state)
{
    static char other[LAN_ADDRESS_COUNT][16];
    for (auto _ : state) {
        std::memcpy(other, g_table, sizeof other);
        benchmark::DoNotOptimize(other);
    }
}
BENCHMARK(BM_Baseline_CopyTable)->Unit(benchmark::kMillisecond);

UserEntry Someone()
{
    UserEntry u;
    SetField(u.nick, "someone");
    SetField(u.ip, "192.168.10.20");
    u.sex = 1;
    return u;
}

void BM_Baseline_CopyPacket(benchmark::State& state)
{
    Packet p = EncodeUser(PT_HELLO, Someone());
    Packet q;
    for (auto _ : state) {
        std::memcpy(q.bytes, p.bytes, sizeof q.bytes);
        benchmark::DoNotOptimize(q);
    }
}
BENCHMARK(BM_Baseline_CopyPacket);

void BM_EncodeDecode(benchmark::State& state)
{
    UserEntry u = Someone();
    RoomInfo r;
    r.creator = u;
    std::string text(120, 'x');
    Datagram d;
    for (auto _ : state) {
        Packet p;
        switch (state.range(0)) {
        case 0: p = EncodeUser(PT_HELLO, u); break;
        case 1: p = EncodeRoom(PT_ROOM_INFO, r); break;
        case 2: p = EncodeUserText(PT_PRIVATE_MSG, u, text); break;
        default: p = EncodeUserUserText(PT_ROOM_SAY_TO, u, u, text); break;
        }
        benchmark::DoNotOptimize(DecodeDatagram(p.bytes, sizeof p.bytes, d));
    }
    static const char* names[] = {"U", "R", "UT", "UUT"};
    state.SetLabel(names[state.range(0)]);
}
BENCHMARK(BM_EncodeDecode)->DenseRange(0, 3);

} // namespace

BENCHMARK_MAIN();
