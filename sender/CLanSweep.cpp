#include "CLanSweep.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Linux's default send buffer. A tuned default can be far larger, and then more
// datagrams wait in the card's transmit queue (commonly 1,000) than it holds: the
// excess is dropped there without an error. At this size they fit and a full queue
// shows as a full socket, which the sweep waits out.
constexpr int STOCK_SEND_BUFFER = 212992;

sockaddr_in Destination(uint32_t hostOrder) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(CHAT_PORT);
    sa.sin_addr.s_addr = htonl(hostOrder);
    return sa;
}

bool SendOnce(int fd, const Packet &datagram, const sockaddr_in &to, unsigned ifindex) {
    iovec iov{const_cast<uint8_t *>(datagram.bytes), PACKET_SIZE};
    msghdr msg{};
    msg.msg_name = const_cast<sockaddr_in *>(&to);
    msg.msg_namelen = sizeof to;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    if (ifindex != 0) {
        // Leave by this interface, whatever the routing table says about the address.
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        cmsghdr *c = CMSG_FIRSTHDR(&msg);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_ifindex = int(ifindex);
        std::memcpy(CMSG_DATA(c), &info, sizeof info);
    }
    return sendmsg(fd, &msg, 0) == PACKET_SIZE;
}

// One run's sending: a full buffer is waited out until a wait runs too long once.
class Sending {
public:
    Sending(int fd, const Packet &datagram, SweepStats &stats)
        : m_fd(fd), m_datagram(datagram), m_stats(stats) {}

    bool Send(const sockaddr_in &to, unsigned ifindex = 0) {
        Clock::time_point deadline{};
        bool waited = false;
        for (;;) {
            if (SendOnce(m_fd, m_datagram, to, ifindex))
                return true;
            const int err = errno;
            if (err == EINTR)
                continue;
            if ((err != EAGAIN && err != EWOULDBLOCK && err != ENOBUFS) || m_stats.stoppedWaiting)
                return false;
            const Clock::time_point now = Clock::now();
            if (!waited) {
                waited = true;
                ++m_stats.waits;
                deadline = now + std::chrono::milliseconds(CLanSweep::WRITE_WAIT_MS);
            } else if (now >= deadline) {
                m_stats.stoppedWaiting = true;
                return false;
            }
            if (err == ENOBUFS) {
                // Short of memory rather than of buffer: writability says nothing.
                poll(nullptr, 0, 1);
                continue;
            }
            // A buffer that does not drain to half within the wait belongs to a link too
            // slow or stuck to wait for: this datagram gets one more try, the rest none.
            pollfd p{m_fd, POLLOUT, 0};
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
            if (poll(&p, 1, int(left.count())) == 0)
                m_stats.stoppedWaiting = true;
        }
    }

private:
    int m_fd;
    const Packet &m_datagram;
    SweepStats &m_stats;
};

} // namespace

CLanSweep::CLanSweep(const SweepPlan &plan) : m_reachedBy(plan.reachedBy) {
    m_broadcasts.reserve(plan.broadcasts.size());
    for (const SweepBroadcast &b : plan.broadcasts)
        m_broadcasts.push_back({Destination(b.address), b.ifindex});
    m_unicasts.reserve(plan.unicasts.size());
    for (uint32_t a : plan.unicasts)
        m_unicasts.push_back(Destination(a));
}

SweepStats CLanSweep::Run(int fd, const Packet &datagram) const {
    SweepStats stats;
    Sending sending(fd, datagram, stats);
    uint32_t sent = 0; // bit i: broadcast i went
    for (size_t i = 0; i < m_broadcasts.size(); ++i) {
        if (sending.Send(m_broadcasts[i].to, m_broadcasts[i].ifindex)) {
            ++stats.broadcastsSent;
            sent |= 1u << i;
        } else {
            ++stats.failed;
        }
    }
    for (size_t i = 0; i < m_unicasts.size(); ++i) {
        if (m_reachedBy[i] & sent) {
            ++stats.covered;
            continue;
        }
        if (sending.Send(m_unicasts[i]))
            ++stats.unicastsSent;
        else
            ++stats.failed;
    }
    return stats;
}

int OpenAnnouncerSocket() {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = 0;
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(fd, reinterpret_cast<const sockaddr *>(&any), sizeof any) != 0) {
        close(fd);
        return -1;
    }
    int on = 1;
    // Without it only the broadcasts fail; the unicast sweep still goes out.
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    // The kernel doubles what it is asked for.
    int half = STOCK_SEND_BUFFER / 2;
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &half, sizeof half);
    return fd;
}
