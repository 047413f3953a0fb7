#include "CChatSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include <QPointer>

namespace {

// A newcomer's hello is answered by every instance on the subnet at once. The receiving
// thread empties the buffer whatever size the kernel grants; a larger one only helps
// where the machine allows it.
constexpr int kSocketBufferBytes = 4 * 1024 * 1024;
// How long a send waits for room in a full send buffer, as a blocking send would.
constexpr int kSendWaitMs = 50;
// A backlog is handled in slices of about this long, so that the window repaints and
// answers input in between.
constexpr auto kSlice = std::chrono::milliseconds(4);
// Datagrams taken from the receiving thread's queue under one lock.
constexpr size_t kTake = 256;
// While handlers keep this thread busy, it empties the socket itself this often: the
// scheduler may leave the receiving thread waiting behind it for a few milliseconds,
// which a stock receive buffer does not last at the rate a LAN delivers.
constexpr auto kDrainEvery = std::chrono::microseconds(500);

// Only the plain dotted form: no host names (so no lookups), no shorthand forms.
bool ParseIPv4(const char* ip, in_addr& address)
{
    if (ip == nullptr)
        return false;
    const size_t len = strnlen(ip, 16);
    if (len == 0 || len > 15)
        return false;
    char text[16];
    std::memcpy(text, ip, len);
    text[len] = '\0';
    return inet_pton(AF_INET, text, &address) == 1;
}

void SetIntOption(int fd, int name, int value)
{
    ::setsockopt(fd, SOL_SOCKET, name, &value, sizeof value);
}

} // namespace

CChatSocket::CChatSocket(IDatagramSink* owner, QObject* parent)
    : QObject(parent), m_pOwner(owner), m_receiver(m_queue, [this] { PostDelivery(); })
{
}

CChatSocket::~CChatSocket() { Close(); }

bool CChatSocket::Create(quint16 port)
{
    if (m_fd >= 0)
        return false;
    // A plain socket: no address sharing and, unlike a QUdpSocket, no SO_BROADCAST. A
    // forged record whose address is a broadcast address must not make every instance
    // answer the whole subnet.
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    SetIntOption(fd, SO_RCVBUF, kSocketBufferBytes);
    SetIntOption(fd, SO_SNDBUF, kSocketBufferBytes);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    if (!m_receiver.Start(fd)) {
        Close();
        return false;
    }
    return true;
}

void CChatSocket::SendTo(const Packet& packet, const char* ip)
{
    sockaddr_in to{};
    if (m_fd < 0 || !ParseIPv4(ip, to.sin_addr))
        return;
    to.sin_family = AF_INET;
    to.sin_port = htons(CHAT_PORT);
    const auto* address = reinterpret_cast<const sockaddr*>(&to);
    if (::sendto(m_fd, packet.Data(), PACKET_SIZE, 0, address, sizeof to) >= 0)
        return;
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != ENOBUFS)
        return;
    // A full send buffer: wait briefly for room, as a blocking send would, then give up.
    pollfd p{m_fd, POLLOUT, 0};
    if (::poll(&p, 1, kSendWaitMs) == 1 && (p.revents & POLLOUT))
        ::sendto(m_fd, packet.Data(), PACKET_SIZE, 0, address, sizeof to);
}

void CChatSocket::Close()
{
    // The thread ends first, so that nothing reads the socket while it closes.
    m_receiver.Stop();
    m_queue.Clear();
    m_handling.clear();
    m_next = 0;
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
}

bool CChatSocket::IsCreated() const { return m_fd >= 0; }

quint16 CChatSocket::LocalPort() const
{
    sockaddr_in local{};
    socklen_t len = sizeof local;
    if (m_fd < 0 || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &len) != 0)
        return 0;
    return ntohs(local.sin_port);
}

// Called on either thread; at most one delivery waits in the event loop at a time.
void CChatSocket::PostDelivery()
{
    if (!m_bDeliveryPosted.exchange(true))
        QMetaObject::invokeMethod(this, &CChatSocket::DeliverQueued, Qt::QueuedConnection);
}

bool CChatSocket::TakeNext(ReceivedDatagram& item)
{
    if (m_next == m_handling.size()) {
        m_handling.resize(kTake);
        m_handling.resize(m_queue.PopSome(m_handling.data(), kTake));
        m_next = 0;
        if (m_handling.empty())
            return false;
    }
    item = m_handling[m_next++];
    return true;
}

// Handlers run from the event loop, never from the receiving thread: a handler may then
// delete us, and a nested event loop (a modal box) keeps delivering. One queue serves
// every level of nesting, so the owner sees every datagram once and in arrival order.
void CChatSocket::DeliverQueued()
{
    m_bDeliveryPosted = false;
    const QPointer<CChatSocket> alive(this);
    auto now = std::chrono::steady_clock::now();
    const auto sliceEnd = now + kSlice;
    // A slice starts with what the socket holds: the window's paint before it may have
    // been long.
    auto nextDrain = now;
    ReceivedDatagram item;
    for (;;) {
        if (now >= nextDrain) {
            m_receiver.Drain();
            nextDrain = now + kDrainEvery;
        }
        if (!TakeNext(item))
            return;
        // Should this handler open a modal box, its nested loop goes on with the rest;
        // after a slice, the posted delivery carries on once the window has had its turn.
        PostDelivery();
        if (m_pOwner != nullptr)
            m_pOwner->OnDatagram(item.bytes, item.len);
        if (!alive)
            return;
        now = std::chrono::steady_clock::now();
        if (now >= sliceEnd)
            return;
    }
}
