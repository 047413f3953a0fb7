// The UDP endpoint on real sockets: loopback only, inside the test run's own network
// namespace (netsandbox), where port 8800 is free.
#include "CChatSocket.h"
#include "CDatagramQueue.h"
#include "CDatagramReceiver.h"
#include "Dispatcher.h"
#include "Packet.h"
#include "test_net_doubles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkInterface>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace nettest;

namespace {

void EnsureApplication()
{
    if (QCoreApplication::instance() != nullptr)
        return;
    static int argc = 1;
    static char name[] = "unit_test_net_chat_socket";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

// Port 8800 and loopback traffic belong inside a namespace of our own.
bool InSandbox()
{
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
        if ((i.flags() & QNetworkInterface::IsUp) && !(i.flags() & QNetworkInterface::IsLoopBack))
            return false;
    }
    return true;
}

bool SpinUntil(const std::function<bool()>& done, int ms = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents();
        QThread::usleep(500);
    }
    return true;
}

// What a modal box does to the caller: a nested event loop, here until done() holds.
void RunModalUntil(const std::function<bool()>& done)
{
    QEventLoop box;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &box, [&] {
        if (done())
            box.quit();
    });
    poll.start(1);
    QTimer::singleShot(10000, &box, &QEventLoop::quit);
    box.exec();
}

Packet Tagged(int tag)
{
    return EncodeUserText(PT_PRIVATE_MSG, MakeUser("peer", "127.0.0.2"), std::to_string(tag));
}

int TagOf(const std::string& bytes)
{
    Datagram d;
    if (!DecodeDatagram(bytes.data(), bytes.size(), d) || d.type != PT_PRIVATE_MSG)
        return -1;
    return std::stoi(d.text);
}

struct Sink : IDatagramSink {
    std::vector<std::string> got;
    std::function<void(const std::string&)> then;

    void OnDatagram(const char* data, size_t len) override
    {
        got.emplace_back(data, len);
        if (then)
            then(got.back());
    }
    std::vector<int> Tags() const
    {
        std::vector<int> tags;
        for (const std::string& d : got)
            tags.push_back(TagOf(d));
        return tags;
    }
};

std::vector<int> Range(int from, int to)
{
    std::vector<int> v;
    for (int i = from; i < to; ++i)
        v.push_back(i);
    return v;
}

// A socket of "another program" on the port, optionally asking to share it.
int BindRaw(quint16 port, bool share)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int one = 1;
    if (share) {
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &one, sizeof one);
    }
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void SendRaw(const void* data, size_t len)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(CHAT_PORT);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(fd, data, len, 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::close(fd);
}

// What a stock kernel grants a socket at most (net.core.rmem_max), whatever it asks for;
// set explicitly, since this machine may allow more.
constexpr int kStockBufferBytes = 212992;

void UseStockReceiveBuffer(const CChatSocket& endpoint)
{
    const int bytes = kStockBufferBytes;
    ::setsockopt(endpoint.Descriptor(), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

struct ChatSocketTest : ::testing::Test {
    void SetUp() override
    {
        if (!InSandbox())
            GTEST_SKIP() << "binds port 8800: run inside scripts/netsandbox.sh";
        EnsureApplication();
    }
};

} // namespace

TEST_F(ChatSocketTest, SecondEndpointOnThePortFailsHoweverEitherSideAsks)
{
    Sink sink;
    CChatSocket first(&sink);
    ASSERT_TRUE(first.Create());
    EXPECT_EQ(first.LocalPort(), CHAT_PORT);
    EXPECT_FALSE(first.Create()); // already bound

    CChatSocket second(&sink);
    EXPECT_FALSE(second.Create());
    EXPECT_FALSE(second.IsCreated());
    // Another program that asks to share the address does not get it either.
    EXPECT_EQ(BindRaw(CHAT_PORT, true), -1);

    first.Close();
    EXPECT_FALSE(first.IsCreated());
    EXPECT_TRUE(second.Create());
    second.Close();

    // And a program that holds the port with sharing switched on keeps us out.
    const int other = BindRaw(CHAT_PORT, true);
    ASSERT_GE(other, 0);
    EXPECT_FALSE(first.Create());
    ::close(other);
    EXPECT_TRUE(first.Create());
}

// Far more than the stock buffer holds (about 330 of these), sent while this thread runs
// no event loop: the receiving thread alone takes them out of the kernel. Each chunk
// fits the buffer, and the next is sent once it has been read, so nothing depends on
// how the two threads are scheduled.
TEST_F(ChatSocketTest, BurstIsReadWhileTheWindowIsBusyThenHandledInOrderInSlices)
{
    Sink sink;
    CChatSocket endpoint(&sink);
    ASSERT_TRUE(endpoint.Create());
    UseStockReceiveBuffer(endpoint);
    CChatSocket peer(nullptr);
    ASSERT_TRUE(peer.Create(0));
    const int n = 2000;
    for (int sent = 0; sent < n;) {
        for (int i = 0; i < 100; ++i, ++sent)
            peer.SendTo(Tagged(sent), "127.0.0.1");
        QElapsedTimer waited;
        waited.start();
        while (endpoint.Waiting() < size_t(sent) && waited.elapsed() < 10000)
            QThread::usleep(200);
        ASSERT_EQ(endpoint.Waiting(), size_t(sent));
    }
    EXPECT_TRUE(sink.got.empty());
    EXPECT_EQ(endpoint.Dropped(), 0u);

    // A slow handler: the event loop must get its turn between slices of the backlog.
    // More arrive while it works, which this thread and the receiving one both read
    // from the socket; the order must hold all the same.
    int turns = 0;
    QTimer loop;
    QObject::connect(&loop, &QTimer::timeout, [&] { ++turns; });
    loop.start(0);
    std::vector<int> turnAt;
    const int total = n + 1000;
    int sent = n;
    sink.then = [&](const std::string&) {
        turnAt.push_back(turns);
        for (int i = 0; i < 5 && sent < total; ++i)
            peer.SendTo(Tagged(sent++), "127.0.0.1");
        QThread::usleep(200);
    };
    ASSERT_TRUE(SpinUntil([&] { return sink.got.size() >= size_t(total); }));
    SpinUntil([&] { return sink.got.size() > size_t(total); }, 100);
    EXPECT_EQ(sink.Tags(), Range(0, total));
    for (const std::string& d : sink.got)
        ASSERT_EQ(d.size(), size_t(PACKET_SIZE));
    EXPECT_GT(turnAt.back() - turnAt.front(), 10);
    EXPECT_EQ(endpoint.Waiting(), 0u);
}

// A record may name a broadcast address; answering it must not reach the whole subnet.
// Broadcasts from others still arrive.
TEST_F(ChatSocketTest, OwnDatagramsComeBackButBroadcastAddressesAreRefused)
{
    Sink sink;
    CChatSocket endpoint(&sink);
    ASSERT_TRUE(endpoint.Create());
    endpoint.SendTo(Tagged(1), "127.255.255.255");
    endpoint.SendTo(Tagged(2), "255.255.255.255");
    endpoint.SendTo(Tagged(3), "127.0.0.1");
    int broadcastOn = 0;
    socklen_t len = sizeof broadcastOn;
    ::getsockopt(endpoint.Descriptor(), SOL_SOCKET, SO_BROADCAST, &broadcastOn, &len);
    EXPECT_EQ(broadcastOn, 0);

    const int other = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int one = 1;
    ::setsockopt(other, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(CHAT_PORT);
    inet_pton(AF_INET, "127.255.255.255", &to.sin_addr);
    const Packet four = Tagged(4);
    EXPECT_EQ(::sendto(other, four.bytes, PACKET_SIZE, 0, reinterpret_cast<sockaddr*>(&to),
                       sizeof to),
              PACKET_SIZE);
    ::close(other);

    ASSERT_TRUE(SpinUntil([&] { return sink.got.size() == 2; }));
    SpinUntil([&] { return sink.got.size() > 2; }, 100);
    EXPECT_EQ(sink.Tags(), (std::vector<int>{3, 4}));
}

TEST_F(ChatSocketTest, AddressTextsThatAreNotPlainDottedIPv4SendNothing)
{
    Sink sink;
    CChatSocket endpoint(&sink);
    ASSERT_TRUE(endpoint.Create());
    CChatSocket peer(nullptr);

    peer.SendTo(Tagged(1), "127.0.0.1"); // not created yet: nothing, no crash
    ASSERT_TRUE(peer.Create(0));
    char noNul[16];
    std::memcpy(noNul, "127.0.0.1       ", 16); // a full field without its NUL
    for (const char* bad : {"", "127.0.0", "127.0.0.1.5", "127.0.0.256", "localhost", "127.1",
                            "0x7f.0.0.1", " 127.0.0.1", "127.0.0.1 ", "127.0.0.1x", "-1.0.0.1"})
        peer.SendTo(Tagged(2), bad);
    peer.SendTo(Tagged(3), noNul);
    peer.SendTo(Tagged(4), nullptr);
    peer.SendTo(Tagged(99), "127.0.0.1");
    peer.Close();
    peer.SendTo(Tagged(5), "127.0.0.1"); // closed: nothing

    ASSERT_TRUE(SpinUntil([&] { return !sink.got.empty(); }));
    SpinUntil([&] { return sink.got.size() > 1; }, 100);
    EXPECT_EQ(sink.Tags(), std::vector<int>{99});
}

TEST_F(ChatSocketTest, ShortAndMalformedDatagramsReachTheOwnerButNoHandler)
{
    CallLog log;
    FakeHandler handler(log);
    Sink sink;
    sink.then = [&](const std::string& d) { DispatchDatagram(d.data(), d.size(), handler); };
    CChatSocket endpoint(&sink);
    ASSERT_TRUE(endpoint.Create());

    const Packet amy = EncodeUser(PT_HELLO, MakeUser("amy", "127.0.0.3"));
    Packet type12 = amy;
    type12.bytes[0] = 12;
    Packet negative = amy;
    negative.bytes[0] = 0xFF;
    std::vector<uint8_t> oversize(amy.bytes, amy.bytes + PACKET_SIZE);
    oversize.resize(400, 0xAB);
    const Packet bob = EncodeUser(PT_HELLO, MakeUser("bob", "127.0.0.4"));

    SendRaw("", 0);
    SendRaw("\x00", 1);
    SendRaw(amy.bytes, PACKET_SIZE - 1);
    SendRaw(type12.bytes, PACKET_SIZE);
    SendRaw(negative.bytes, PACKET_SIZE);
    SendRaw(oversize.data(), oversize.size());
    SendRaw(bob.bytes, PACKET_SIZE);

    ASSERT_TRUE(SpinUntil([&] { return sink.got.size() == 7; }));
    std::vector<size_t> lengths;
    for (const std::string& d : sink.got)
        lengths.push_back(d.size());
    // A longer datagram is read to the datagram size.
    EXPECT_EQ(lengths, (std::vector<size_t>{0, 1, 280, 281, 281, 281, 281}));
    EXPECT_EQ(log.calls,
              (std::vector<std::string>{"OnHello amy 127.0.0.3/0", "OnHello bob 127.0.0.4/0"}));
}

TEST_F(ChatSocketTest, ModalBoxInAHandlerKeepsDeliveringInArrivalOrder)
{
    Sink sink;
    CChatSocket endpoint(&sink);
    ASSERT_TRUE(endpoint.Create());
    CChatSocket peer(nullptr);
    ASSERT_TRUE(peer.Create(0));

    int depth = 0;
    std::vector<int> depths;
    sink.then = [&](const std::string& d) {
        depths.push_back(depth);
        if (TagOf(d) != 0)
            return;
        // More datagrams arrive while the box is open.
        peer.SendTo(Tagged(3), "127.0.0.1");
        peer.SendTo(Tagged(4), "127.0.0.1");
        ++depth;
        RunModalUntil([&] { return sink.got.size() == 5; });
        --depth;
    };
    for (int i = 0; i < 3; ++i)
        peer.SendTo(Tagged(i), "127.0.0.1");

    ASSERT_TRUE(SpinUntil([&] { return sink.got.size() >= 5 && depth == 0; }));
    EXPECT_EQ(sink.Tags(), Range(0, 5));
    // All but the first were handled while the first handler's box was open.
    EXPECT_EQ(depths, (std::vector<int>{0, 1, 1, 1, 1}));
}

TEST_F(ChatSocketTest, HandlerThatDeletesTheEndpointEndsDelivery)
{
    Sink sink;
    auto* endpoint = new CChatSocket(&sink);
    ASSERT_TRUE(endpoint->Create());
    sink.then = [&](const std::string&) {
        delete endpoint;
        endpoint = nullptr;
    };
    for (int i = 0; i < 5; ++i)
        endpoint->SendTo(Tagged(i), "127.0.0.1");

    ASSERT_TRUE(SpinUntil([&] { return !sink.got.empty(); }));
    SpinUntil([&] { return sink.got.size() > 1; }, 100);
    EXPECT_EQ(sink.Tags(), std::vector<int>{0});
    CChatSocket again(&sink); // the port is free
    EXPECT_TRUE(again.Create());
}

TEST_F(ChatSocketTest, EndpointDeletedInsideAModalBoxIsNotTouchedAfterwards)
{
    Sink sink;
    auto* endpoint = new CChatSocket(&sink);
    ASSERT_TRUE(endpoint->Create());
    int depth = 0;
    std::vector<int> depths;
    sink.then = [&](const std::string& d) {
        depths.push_back(depth);
        if (TagOf(d) == 0) {
            ++depth;
            RunModalUntil([&] { return endpoint == nullptr; });
            --depth;
        } else {
            delete endpoint; // e.g. the lobby closing while a box is open
            endpoint = nullptr;
        }
    };
    for (int i = 0; i < 4; ++i)
        endpoint->SendTo(Tagged(i), "127.0.0.1");

    ASSERT_TRUE(SpinUntil([&] { return endpoint == nullptr; }));
    SpinUntil([&] { return sink.got.size() > 2; }, 100);
    EXPECT_EQ(sink.Tags(), (std::vector<int>{0, 1}));
    // The second was handled inside the box, without waiting for another arrival.
    EXPECT_EQ(depths, (std::vector<int>{0, 1}));
}

TEST_F(ChatSocketTest, HandlerThatClosesTheEndpointDropsWhatWasStillWaiting)
{
    Sink sink;
    CChatSocket endpoint(&sink);
    ASSERT_TRUE(endpoint.Create());
    sink.then = [&](const std::string&) { endpoint.Close(); };
    for (int i = 0; i < 5; ++i)
        endpoint.SendTo(Tagged(i), "127.0.0.1");
    ASSERT_TRUE(SpinUntil([&] { return !sink.got.empty(); }));
    SpinUntil([&] { return sink.got.size() > 1; }, 100);
    EXPECT_EQ(sink.Tags(), std::vector<int>{0});

    // Created again, it receives what arrives from then on.
    sink.then = nullptr;
    ASSERT_TRUE(endpoint.Create());
    endpoint.SendTo(Tagged(7), "127.0.0.1");
    ASSERT_TRUE(SpinUntil([&] { return sink.got.size() == 2; }));
    EXPECT_EQ(sink.Tags(), (std::vector<int>{0, 7}));
}

// The queue between the receiving thread and the window, with a small capacity: full, it
// drops the newest and counts them; order holds across its storage chunks and refills.
TEST(DatagramQueue, KeepsArrivalOrderAndDropsTheNewestWhenFull)
{
    CDatagramQueue queue(3000);
    std::vector<ReceivedDatagram> batch(700);
    int next = 0;
    auto fill = [&] {
        for (ReceivedDatagram& d : batch) {
            d.len = uint16_t(4 + next % (PACKET_SIZE - 3));
            std::memset(d.bytes, 0, PACKET_SIZE);
            std::memcpy(d.bytes, &next, sizeof next);
            ++next;
        }
        return queue.Push(batch.data(), batch.size());
    };
    std::vector<size_t> taken;
    for (int i = 0; i < 5; ++i)
        taken.push_back(fill());
    EXPECT_EQ(taken, (std::vector<size_t>{700, 700, 700, 700, 200}));
    EXPECT_EQ(queue.Size(), 3000u);
    EXPECT_EQ(queue.Dropped(), 500u);

    int expect = 0;
    ReceivedDatagram out;
    auto popChecked = [&](int count) {
        for (int i = 0; i < count; ++i, ++expect) {
            ASSERT_TRUE(queue.Pop(out));
            int tag = -1;
            std::memcpy(&tag, out.bytes, sizeof tag);
            ASSERT_EQ(tag, expect);
            ASSERT_EQ(out.len, 4 + expect % (PACKET_SIZE - 3));
        }
    };
    popChecked(2500);
    // Room again: later arrivals queue behind the 500 still waiting.
    next = 3500;
    EXPECT_EQ(fill(), 700u);
    popChecked(500);
    expect = 3500;
    popChecked(700);
    EXPECT_FALSE(queue.Pop(out));
    EXPECT_EQ(queue.Size(), 0u);

    EXPECT_EQ(fill(), 700u);
    queue.Clear();
    EXPECT_FALSE(queue.Pop(out));
    EXPECT_EQ(queue.Dropped(), 500u);
}

// The receiving thread on its own: a wake-up (an arrival call) per few dozen datagrams of
// a burst rather than one each, and a stop in mid-stream.
TEST(DatagramReceiver, TakesABurstInFewWakeUpsAndStopsMidStream)
{
    if (!InSandbox())
        GTEST_SKIP() << "loopback traffic belongs in a network namespace of our own";
    const int in = BindRaw(0, false);
    ASSERT_GE(in, 0);
    sockaddr_in to{};
    socklen_t len = sizeof to;
    ASSERT_EQ(::getsockname(in, reinterpret_cast<sockaddr*>(&to), &len), 0);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    CDatagramQueue queue;
    std::atomic<int> arrivals{0};
    CDatagramReceiver receiver(queue, [&] { ++arrivals; });
    ASSERT_TRUE(receiver.Start(in));
    std::atomic<bool> stopped{false};
    std::thread peer([&] {
        // Chunks that fit a stock buffer, each once the previous one was read; past
        // 2,000, a stream that goes on until the thread has been stopped.
        const Packet d = Tagged(0);
        for (int sent = 0; !stopped; ++sent) {
            ::sendto(in, d.bytes, PACKET_SIZE, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
            while (sent % 100 == 99 && sent < 2000 && queue.Size() <= size_t(sent) && !stopped)
                std::this_thread::yield();
        }
    });
    EXPECT_TRUE(SpinUntil([&] { return queue.Size() >= 2000; }));
    EXPECT_LT(arrivals.load(), 2000 / 4);
    receiver.Stop();
    stopped = true;
    peer.join();
    EXPECT_FALSE(receiver.Running());
    ::close(in);
}
