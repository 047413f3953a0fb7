#include "CLanSweep.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in Destination(uint32_t hostOrder) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(CHAT_PORT);
    sa.sin_addr.s_addr = htonl(hostOrder);
    return sa;
}

bool SendOne(int fd, const Packet &datagram, const sockaddr_in &to) {
    ssize_t n = sendto(fd, datagram.bytes, PACKET_SIZE, 0, reinterpret_cast<const sockaddr *>(&to),
                       sizeof to);
    return n == PACKET_SIZE;
}

} // namespace

CLanSweep::CLanSweep(const SweepPlan &plan) : m_covered(plan.covered) {
    m_broadcasts.reserve(plan.broadcasts.size());
    for (uint32_t a : plan.broadcasts)
        m_broadcasts.push_back(Destination(a));
    m_unicasts.reserve(plan.unicasts.size());
    for (uint32_t a : plan.unicasts)
        m_unicasts.push_back(Destination(a));
}

SweepStats CLanSweep::Run(int fd, const Packet &datagram) const {
    SweepStats stats;
    stats.covered = m_covered;
    for (const sockaddr_in &to : m_broadcasts) {
        if (SendOne(fd, datagram, to))
            ++stats.broadcastsSent;
        else
            ++stats.failed;
    }
    for (const sockaddr_in &to : m_unicasts) {
        if (SendOne(fd, datagram, to))
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
    return fd;
}
