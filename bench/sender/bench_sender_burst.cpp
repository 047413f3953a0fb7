// The answers a newcomer receives at once (root only): a peer on another host of a
// simulated LAN sends N answers (PT_HELLO_ACK) from N distinct users back to back to a
// real lobby (offscreen, shown, with its real endpoint), then their N goodbyes. The
// endpoint gets the receive buffer of a stock kernel: SO_RCVBUF = 212,992 is set on it
// explicitly, since this machine allows more.
//
// Counters: users listed after the answers and left after the goodbyes; the longest
// single piece of work the event loop did (a slice of handlers or a paint) and the longest
// gap between two passes of its 1 ms timer (several pieces in a row, or a stop of the
// processor); how long after the peer's last send the lists were complete; what the
// kernel dropped for want of buffer. Baseline, in the same run:
// the time the N datagrams take to leave the peer (ratio_vs_send).
//
// The peer shares this machine's CPUs, unlike a real host: it gives up its CPU every 32
// datagrams, since the kernel wakes our receiving thread on the sender's CPU and would
// otherwise queue it behind a sender that never sleeps.

#include "BenchLan.h"
#include "CChatSocket.h"
#include "CLobbyDlg.h"
#include "LobbyPaths.h"
#include "MessageBox.h"
#include "Packet.h"
#include "Profile.h"
#include "QtBenchmarkMain.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <memory>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

constexpr int kStockBufferBytes = 212992;

// Lets the event loop run for a while, handling whatever comes.
void RunEventsFor(std::chrono::milliseconds span)
{
    for (const auto until = Clock::now() + span; Clock::now() < until;)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

class AnswerAll : public IBoxResponder {
public:
    bool Answer(const BoxRecord&) override { return true; }
};

std::vector<Packet> Burst(PacketType type, int count, const std::string& ip)
{
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

// The application object, timing every event the loop dispatches (nested ones count
// within theirs).
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        if (m_depth > 0)
            return QApplication::notify(receiver, event);
        ++m_depth;
        const auto start = Clock::now();
        const bool done = QApplication::notify(receiver, event);
        longestEventMs = std::max(longestEventMs, Ms(start, Clock::now()));
        --m_depth;
        return done;
    }
    static TimedApplication* Get() { return static_cast<TimedApplication*>(qApp); }
    double longestEventMs = 0;

private:
    int m_depth = 0;
};

// Runs the lobby's event loop until `done` holds or nothing changed for two seconds,
// keeping the longest gap between two passes of the loop.
struct LoopWatch {
    double longestGapMs = 0;
    Clock::time_point last;
    QTimer tick;

    // A 1 ms timer, so that the loop sleeps while idle: a spinning loop would take the
    // CPU the receiving thread needs.
    LoopWatch()
    {
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            longestGapMs = std::max(longestGapMs, Ms(last, now));
            last = now;
        });
    }
    template <class Done, class Count> void Run(Done done, Count count)
    {
        longestGapMs = 0;
        TimedApplication::Get()->longestEventMs = 0;
        last = Clock::now();
        tick.start();
        auto changed = Clock::now();
        size_t seen = count();
        while (!done() && Ms(changed, Clock::now()) < 2000) {
            QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
            if (count() != seen) {
                seen = count();
                changed = Clock::now();
            }
        }
        tick.stop();
    }
};

// Datagrams the kernel dropped for want of receive buffer, in this thread's namespace.
double KernelDrops()
{
    std::ifstream snmp("/proc/thread-self/net/snmp");
    std::string line, names;
    while (std::getline(snmp, line)) {
        if (line.rfind("Udp: ", 0) != 0)
            continue;
        if (names.empty()) {
            names = line;
            continue;
        }
        std::istringstream n(names), v(line);
        std::string name, value;
        while (n >> name && v >> value) {
            if (name == "RcvbufErrors")
                return std::stod(value);
        }
    }
    return -1;
}

void BM_AnswerBurstIntoLobby(benchmark::State& state)
{
    const int count = int(state.range(0));
    BenchLan lan("pair", 1);
    if (!lan.Ok()) {
        state.SkipWithError(lan.Error().c_str());
        return;
    }
    const BenchHost& peer = lan.Peers().at(0);
    int out = -1;
    {
        NetnsScope there(peer.ns);
        out = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    }
    NetnsScope inside(lan.Announcer().ns);
    theProfile.m_users.clear();
    theProfile.m_rooms.clear();
    std::snprintf(g_szSenderPath, sizeof g_szSenderPath, "/proc/self/exe");
    AnswerAll boxes;
    SetBoxResponder(&boxes);
    auto lobby = std::make_unique<CLobbyDlg>();
    lobby->SetProgramStarterForTesting([](const std::string&) { return true; });
    lobby->OnInitDialog();
    lobby->resize(1280, 800);
    // The first paint (fonts, icons) belongs to the program's start, not to a burst.
    RunEventsFor(std::chrono::milliseconds(300));
    auto* endpoint = lobby->findChild<CChatSocket*>();
    if (!inside.Ok() || out < 0 || endpoint == nullptr || !endpoint->IsCreated()) {
        state.SkipWithError("cannot set up the lobby's endpoint in the simulated LAN");
        return;
    }
    ::setsockopt(endpoint->Descriptor(), SOL_SOCKET, SO_RCVBUF, &kStockBufferBytes,
                 sizeof kStockBufferBytes);
    int granted = 0;
    socklen_t len = sizeof granted;
    ::getsockopt(endpoint->Descriptor(), SOL_SOCKET, SO_RCVBUF, &granted, &len);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(CHAT_PORT);
    inet_pton(AF_INET, lan.Announcer().ip.c_str(), &to.sin_addr);
    const std::vector<Packet> answers = Burst(PT_HELLO_ACK, count, peer.ip);
    const std::vector<Packet> byes = Burst(PT_BYE, count, peer.ip);

    // The peer sends from its own thread while this one runs the lobby's event loop.
    std::atomic<bool> sent{false};
    Clock::time_point sendStart, sendEnd;
    auto send = [&](const std::vector<Packet>& burst) {
        sent = false;
        return std::thread([&] {
            sendStart = Clock::now();
            for (size_t i = 0; i < burst.size(); ++i) {
                sendto(out, burst[i].bytes, PACKET_SIZE, 0,
                       reinterpret_cast<const sockaddr*>(&to), sizeof to);
                if (i % 32 == 31)
                    sched_yield();
            }
            sendEnd = Clock::now();
            sent = true;
        });
    };
    const auto listed = [] { return theProfile.m_users.size(); };

    // The peer learns our hardware address before the burst: until then the kernel holds
    // its datagrams and lets them all go at once, which no buffer of ours decides.
    static const char nothing[8] = {};
    sendto(out, nothing, sizeof nothing, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    RunEventsFor(std::chrono::milliseconds(100));
    const double dropsBefore = KernelDrops();
    LoopWatch watch;
    double listedTotal = 0, leftTotal = 0, gapIn = 0, gapOut = 0, afterIn = 0, afterOut = 0;
    double workIn = 0, workOut = 0;
    double sendMs = 0, listedMs = 0;
    for (auto _ : state) {
        std::thread peerThread = send(answers);
        watch.Run([&] { return sent && listed() == size_t(count); }, listed);
        const auto t1 = Clock::now();
        peerThread.join();
        listedTotal += double(listed());
        gapIn = std::max(gapIn, watch.longestGapMs);
        workIn = std::max(workIn, TimedApplication::Get()->longestEventMs);
        afterIn = std::max(afterIn, Ms(sendEnd, t1));
        sendMs += Ms(sendStart, sendEnd);
        listedMs += Ms(sendStart, t1);
        state.SetIterationTime(Ms(sendStart, t1) / 1000.0);

        peerThread = send(byes);
        watch.Run([&] { return sent && listed() == 0; }, listed);
        const auto t2 = Clock::now();
        peerThread.join();
        leftTotal += double(listed());
        gapOut = std::max(gapOut, watch.longestGapMs);
        workOut = std::max(workOut, TimedApplication::Get()->longestEventMs);
        afterOut = std::max(afterOut, Ms(sendEnd, t2));
        // Whatever a lost goodbye left behind is taken out for the next round.
        theProfile.m_users.clear();
        lobby->RefreshUserList();
    }
    const double n = double(state.iterations());
    state.counters["granted_rcvbuf"] = granted;
    state.counters["listed"] = listedTotal / n;
    state.counters["left_after_byes"] = leftTotal / n;
    state.counters["dropped_in_queue"] = double(endpoint->Dropped());
    state.counters["dropped_by_kernel"] = KernelDrops() - dropsBefore;
    state.counters["longest_work_answers_ms"] = workIn;
    state.counters["longest_work_byes_ms"] = workOut;
    state.counters["longest_gap_answers_ms"] = gapIn;
    state.counters["longest_gap_byes_ms"] = gapOut;
    state.counters["listed_after_last_send_ms"] = afterIn;
    state.counters["emptied_after_last_send_ms"] = afterOut;
    state.counters["send_ms"] = sendMs / n;
    state.counters["ratio_vs_send"] = listedMs / sendMs;
    close(out);
    lobby->ShutDown();
    lobby.reset();
    SetBoxResponder(nullptr);
}
BENCHMARK(BM_AnswerBurstIntoLobby)
    ->Arg(1000)
    ->Arg(8000)
    ->Arg(65536)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

int main(int argc, char** argv) { return RunQtBenchmarks<TimedApplication>(argc, argv); }
