// The announcer's sweep on loopback (127.0/16, nothing can broadcast, so every address is
// sent singly) against bare loops of sendto over the same 65,536 addresses on the same
// socket, measured in the same iterations. Run inside a loopback-only namespace.

#include "BenchLan.h"
#include "CLanSweep.h"
#include "LocalAddress.h"
#include "Packet.h"
#include "Profile.h"
#include "SweepPlan.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <chrono>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

void BM_SweepVsBareSendto(benchmark::State &state) {
    if (!LoopbackOnlyHere()) {
        state.SkipWithError("run inside a loopback-only namespace (scripts/netsandbox.sh)");
        return;
    }
    auto table = std::make_unique<char[][16]>(LAN_ADDRESS_COUNT);
    FillLanAddresses(table.get(), "127.0.0.1");
    UserEntry self;
    const Packet hello = EncodeUser(PT_HELLO, self);
    const int fd = OpenAnnouncerSocket();
    // The bare loop: addresses already in socket form, as the sweep has them.
    std::vector<sockaddr_in> bare(LAN_ADDRESS_COUNT);
    for (size_t i = 0; i < LAN_ADDRESS_COUNT; ++i) {
        bare[i].sin_family = AF_INET;
        bare[i].sin_port = htons(CHAT_PORT);
        inet_pton(AF_INET, table[i], &bare[i].sin_addr);
    }
    const std::vector<InterfaceAddress> interfaces = ListInterfaceAddresses();

    double sweepTotal = 0, bareTotal = 0, textTotal = 0;
    size_t sent = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        for (const sockaddr_in &to : bare)
            sendto(fd, hello.bytes, PACKET_SIZE, 0, reinterpret_cast<const sockaddr *>(&to),
                   sizeof to);
        auto t1 = Clock::now();
        // The literal loop: each address read from its text right before the send.
        for (size_t i = 0; i < LAN_ADDRESS_COUNT; ++i) {
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_port = htons(CHAT_PORT);
            inet_pton(AF_INET, table[i], &to.sin_addr);
            sendto(fd, hello.bytes, PACKET_SIZE, 0, reinterpret_cast<const sockaddr *>(&to),
                   sizeof to);
        }
        auto t2 = Clock::now();
        // The announcer: plan, addresses, sends.
        SweepPlan plan = PlanSweep(table.get(), LAN_ADDRESS_COUNT, interfaces);
        CLanSweep sweep(plan);
        SweepStats stats = sweep.Run(fd, hello);
        auto t3 = Clock::now();
        sent = stats.unicastsSent + stats.broadcastsSent;
        bareTotal += Seconds(t0, t1);
        textTotal += Seconds(t1, t2);
        sweepTotal += Seconds(t2, t3);
        state.SetIterationTime(Seconds(t2, t3));
    }
    close(fd);
    const double n = double(state.iterations());
    state.counters["sweep_ms"] = sweepTotal / n * 1000;
    state.counters["bare_ms"] = bareTotal / n * 1000;
    state.counters["bare_text_ms"] = textTotal / n * 1000;
    state.counters["ratio_vs_bare"] = sweepTotal / bareTotal;
    state.counters["ratio_vs_bare_text"] = sweepTotal / textTotal;
    state.counters["sent"] = double(sent);
}
BENCHMARK(BM_SweepVsBareSendto)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

BENCHMARK_MAIN();
