// The answers a newcomer receives at once (root only): a peer on another host of a
// simulated LAN sends N answers from N distinct users back to back to Linquo's endpoint
// (CChatSocket) feeding the user directory, then N goodbyes. Counts what was listed and
// what was lost; the baseline is the time the same N datagrams take to leave the sender.

#include "BenchLan.h"
#include "CChatSocket.h"
#include "CUserDirectory.h"
#include "Packet.h"
#include "QtBenchmarkMain.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// What the lobby does with answers and goodbyes, without widgets.
class DirectorySink : public IDatagramSink {
public:
    void OnDatagram(const char *data, size_t len) override {
        Datagram d;
        if (!DecodeDatagram(data, len, d))
            return;
        if (d.type == PT_HELLO_ACK)
            m_directory.Add(d.user);
        else if (d.type == PT_BYE)
            m_directory.Remove(d.user);
    }
    size_t Listed() const { return m_users.size(); }

private:
    CUserList m_users;
    CUserDirectory m_directory{m_users};
};

std::vector<Packet> Burst(PacketType type, int count, const std::string &ip) {
    std::vector<Packet> out;
    for (int i = 0; i < count; ++i) {
        UserEntry u;
        char nick[20];
        std::snprintf(nick, sizeof nick, "user%05d", i);
        SetField(u.nick, nick);
        SetField(u.ip, ip.c_str());
        u.sex = i % 2;
        out.push_back(EncodeUser(type, u));
    }
    return out;
}

// Runs the event loop until the count stops changing for a while (or reaches target).
size_t Settle(const DirectorySink &sink, size_t target) {
    auto last = Clock::now();
    size_t seen = sink.Listed();
    while (Ms(last, Clock::now()) < 300) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (sink.Listed() != seen) {
            seen = sink.Listed();
            last = Clock::now();
        }
        if (seen == target)
            break;
    }
    return seen;
}

size_t g_largestLossless = 0;

void BM_AnswerBurst(benchmark::State &state) {
    const int count = int(state.range(0));
    BenchLan lan("pair");
    if (!lan.Ok()) {
        state.SkipWithError(lan.Error().c_str());
        return;
    }
    const BenchHost &peer = lan.Peers().at(0);
    int out = -1;
    {
        NetnsScope there(peer.ns);
        out = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    }
    NetnsScope inside(lan.Announcer().ns);
    DirectorySink sink;
    CChatSocket endpoint(&sink);
    if (!inside.Ok() || out < 0 || !endpoint.Create()) {
        state.SkipWithError("cannot set up the endpoint in the simulated LAN");
        return;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(CHAT_PORT);
    inet_pton(AF_INET, lan.Announcer().ip.c_str(), &to.sin_addr);
    const std::vector<Packet> answers = Burst(PT_HELLO_ACK, count, peer.ip);
    const std::vector<Packet> byes = Burst(PT_BYE, count, peer.ip);

    // The peer sends from its own thread while this one runs Linquo's event loop.
    double sendMs = 0;
    auto send = [&](const std::vector<Packet> &burst) {
        return std::thread([&, burst] {
            auto s0 = Clock::now();
            for (const Packet &p : burst)
                sendto(out, p.bytes, PACKET_SIZE, 0, reinterpret_cast<const sockaddr *>(&to),
                       sizeof to);
            sendMs += Ms(s0, Clock::now());
        });
    };

    size_t listedTotal = 0, leftTotal = 0;
    double listedMs = 0;
    bool lossless = true;
    for (auto _ : state) {
        auto t0 = Clock::now();
        std::thread peerThread = send(answers);
        size_t listed = Settle(sink, size_t(count));
        auto t2 = Clock::now();
        peerThread.join();
        peerThread = send(byes);
        size_t left = Settle(sink, 0);
        peerThread.join();
        // Whatever a lost goodbye left behind is taken out for the next round.
        for (int round = 0; sink.Listed() > 0 && round < 10; ++round) {
            peerThread = send(byes);
            Settle(sink, 0);
            peerThread.join();
        }
        listedTotal += listed;
        leftTotal += left;
        lossless = lossless && listed == size_t(count) && left == 0;
        listedMs += Ms(t0, t2);
        state.SetIterationTime(Ms(t0, t2) / 1000.0);
    }
    close(out);
    const double n = double(state.iterations());
    state.counters["listed"] = double(listedTotal) / n;
    state.counters["lost_answers"] = count - double(listedTotal) / n;
    state.counters["left_after_byes"] = double(leftTotal) / n;
    state.counters["send_ms"] = sendMs / n / 2;
    state.counters["ratio_vs_send"] = listedMs / (sendMs / 2);
    if (lossless && size_t(count) > g_largestLossless)
        g_largestLossless = size_t(count);
}
BENCHMARK(BM_AnswerBurst)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(4000)
    ->Arg(8000)
    ->Arg(16000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    const int rc = RunQtBenchmarks<QCoreApplication>(argc, argv);
    std::printf("largest burst absorbed without loss: %zu\n", g_largestLossless);
    return rc;
}
