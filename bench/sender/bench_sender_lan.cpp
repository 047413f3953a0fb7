// The announcer on simulated LANs (root only): time from the start of its run until the
// lobby receives WM_LOGIN_SENT, and until every present peer has answered the hello.
//   flat16:   one /16 segment, a few present peers, the other 65,500 addresses absent;
//   routed24: a /24 whose gateway routes to a second /24 of the same /16;
//   shaped24: a /24 whose link sends at 100 or 20 Mbit/s, its gateway routing to six
//             /24s spread over the /16 with one peer each: the announcer's socket buffer
//             fills whenever it sends faster than the link, and every peer must still hear
//             the hello. The time on the wire is the floor here (ratio_vs_wire).
// The baseline, in the same iterations, is one hello sent straight to each peer and its
// answer: the least any announcement can cost.

#include "BenchLan.h"
#include "CSender.h"
#include "Packet.h"
#include "QtBenchmarkMain.h"
#include "SenderTexts.h"
#include "WindowMessageClient.h"
#include "WindowMessageServer.h"

#include "AppPath.h"

#include <QCoreApplication>
#include <QThread>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <poll.h>
#include <set>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

int UdpSocket(uint16_t port) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    // A stock machine's receive buffer whatever this one allows (the kernel doubles it).
    int half = 212992 / 2;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &half, sizeof half);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    if (bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void SendTo(int fd, const Packet &p, const std::string &ip) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(CHAT_PORT);
    inet_pton(AF_INET, ip.c_str(), &to.sin_addr);
    sendto(fd, p.bytes, PACKET_SIZE, 0, reinterpret_cast<sockaddr *>(&to), sizeof to);
}

// A present instance: answers every hello with PT_HELLO_ACK to the hello's record ip.
class AnsweringPeer {
public:
    explicit AnsweringPeer(const BenchHost &host) : m_host(host) {
        m_thread = std::thread([this] { Run(); });
        while (!m_ready)
            std::this_thread::yield();
    }
    ~AnsweringPeer() {
        m_stop = true;
        m_thread.join();
    }
    bool Ok() const { return m_ok; }

private:
    void Run() {
        NetnsScope scope(m_host.ns);
        int fd = scope.Ok() ? UdpSocket(CHAT_PORT) : -1;
        m_ok = fd >= 0;
        m_ready = true;
        if (fd < 0)
            return;
        UserEntry me;
        SetField(me.nick, "peer");
        SetField(me.ip, m_host.ip.c_str());
        const Packet ack = EncodeUser(PT_HELLO_ACK, me);
        char buf[2048];
        while (!m_stop) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            ssize_t n = recv(fd, buf, sizeof buf, 0);
            Datagram d;
            if (n > 0 && DecodeDatagram(buf, size_t(n), d) && d.type == PT_HELLO)
                SendTo(fd, ack, d.user.ip);
        }
        close(fd);
    }

    BenchHost m_host;
    std::thread m_thread;
    std::atomic<bool> m_ready{false}, m_stop{false}, m_ok{false};
};

// Waits (running the event loop) until every peer's answer has arrived at fd.
bool AwaitAnswers(int fd, const std::vector<BenchHost> &peers, int limitMs) {
    std::set<std::string> missing;
    for (const BenchHost &p : peers)
        missing.insert(p.ip);
    const auto start = Clock::now();
    char buf[2048];
    while (!missing.empty() && Ms(start, Clock::now()) < limitMs) {
        QCoreApplication::processEvents();
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 1) <= 0)
            continue;
        ssize_t n;
        while ((n = recv(fd, buf, sizeof buf, MSG_DONTWAIT)) > 0) {
            Datagram d;
            if (DecodeDatagram(buf, size_t(n), d) && d.type == PT_HELLO_ACK)
                missing.erase(d.user.ip);
        }
    }
    return missing.empty();
}

// linkBitsPerSecond, when the announcer's link is limited, gives the time its datagrams
// need on the wire: the floor under any sweep there.
void AnnounceOn(benchmark::State &state, const char *topology, int peerCount = 3,
                const char *rate = "100mbit", double linkBitsPerSecond = 0) {
    BenchLan lan(topology, peerCount, rate);
    if (!lan.Ok()) {
        state.SkipWithError(lan.Error().c_str());
        return;
    }
    std::vector<std::unique_ptr<AnsweringPeer>> peers;
    for (const BenchHost &h : lan.Peers())
        peers.push_back(std::make_unique<AnsweringPeer>(h));

    NetnsScope inside(lan.Announcer().ns);
    char dir[] = "/tmp/lq-bench-XXXXXX";
    if (!inside.Ok() || !mkdtemp(dir)) {
        state.SkipWithError("cannot enter the announcer's namespace");
        return;
    }
    SetAppDirectoryForTesting(dir);
    std::ofstream(std::string(dir) + "/Setup.ini") << "[People]\r\nNick=bench\r\nSex=BOY\r\n";

    // Linquo's endpoint and lobby window on the announcer's host.
    const int endpoint = UdpSocket(CHAT_PORT);
    CWindowMessageServer lobby;
    lobby.Listen(SenderText::LobbyCaption());
    Clock::time_point loginAt;
    std::atomic<bool> told{false};
    lobby.SetHandler([&](unsigned msg, quintptr, qintptr) {
        if (msg == WM_LOGIN_SENT) {
            loginAt = Clock::now();
            told = true;
        }
    });
    UserEntry self;
    SetField(self.nick, "bench");
    SetField(self.ip, lan.Announcer().ip.c_str());
    const Packet hello = EncodeUser(PT_HELLO, self);

    double loginMs = 0, answeredMs = 0, baselineMs = 0;
    int allAnswered = 0;
    SweepStats stats;
    for (auto _ : state) {
        // Baseline: one hello straight to each peer, and every answer back.
        auto b0 = Clock::now();
        for (const BenchHost &p : lan.Peers())
            SendTo(endpoint, hello, p.ip);
        AwaitAnswers(endpoint, lan.Peers(), 5000);
        baselineMs += Ms(b0, Clock::now());

        told = false;
        CSender sender;
        auto t0 = Clock::now();
        QThread *worker = QThread::create([&] { sender.Run(); });
        worker->start();
        bool answered = AwaitAnswers(endpoint, lan.Peers(), 10000);
        auto t1 = Clock::now();
        while (!told && Ms(t0, Clock::now()) < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        worker->wait();
        delete worker;
        stats = sender.Stats();
        loginMs += Ms(t0, loginAt);
        answeredMs += Ms(t0, t1);
        allAnswered += answered ? 1 : 0;
        state.SetIterationTime(Ms(t0, std::max(t1, loginAt)) / 1000.0);
    }
    close(endpoint);
    SetAppDirectoryForTesting("");
    std::remove((std::string(dir) + "/Setup.ini").c_str());
    rmdir(dir);

    const double n = double(state.iterations());
    state.counters["login_sent_ms"] = loginMs / n;
    state.counters["all_answered_ms"] = answeredMs / n;
    state.counters["baseline_ms"] = baselineMs / n;
    state.counters["ratio_vs_baseline"] = std::max(loginMs, answeredMs) / baselineMs;
    state.counters["peers"] = double(lan.Peers().size());
    state.counters["runs_all_answered"] = allAnswered;
    state.counters["broadcasts"] = double(stats.broadcastsSent);
    state.counters["unicasts"] = double(stats.unicastsSent);
    state.counters["skipped"] = double(stats.failed);
    state.counters["covered"] = double(stats.covered);
    state.counters["waits"] = double(stats.waits);
    state.counters["stopped_waiting"] = stats.stoppedWaiting ? 1 : 0;
    if (linkBitsPerSecond > 0) {
        // Each hello is an Ethernet frame of 14 + 20 + 8 + 281 bytes.
        const double frames = double(stats.broadcastsSent + stats.unicastsSent);
        const double wireMs = frames * (14 + 20 + 8 + PACKET_SIZE) * 8 / linkBitsPerSecond * 1000;
        state.counters["wire_ms"] = wireMs;
        state.counters["ratio_vs_wire"] = loginMs / n / wireMs;
    }
}

void BM_Announce_OneSixteen(benchmark::State &state) {
    AnnounceOn(state, "flat16");
}
BENCHMARK(BM_Announce_OneSixteen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Announce_RoutedTwentyFours(benchmark::State &state) {
    AnnounceOn(state, "routed24");
}
BENCHMARK(BM_Announce_RoutedTwentyFours)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void BM_Announce_SlowLinkThroughAGateway(benchmark::State &state) {
    const std::string rate = std::to_string(state.range(0)) + "mbit";
    AnnounceOn(state, "shaped24", 6, rate.c_str(), double(state.range(0)) * 1e6);
}
BENCHMARK(BM_Announce_SlowLinkThroughAGateway)
    ->Arg(100)
    ->Arg(20)
    ->ArgName("Mbit")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

int main(int argc, char** argv) { return RunQtBenchmarks<QCoreApplication>(argc, argv); }
