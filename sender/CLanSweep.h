#pragma once
// Sends the announcement as planned, from one non-blocking socket: a send that cannot go
// at once (no buffer, no route, no neighbour) is skipped, never retried and never fatal.

#include "Packet.h"
#include "SweepPlan.h"

#include <netinet/in.h>
#include <vector>

struct SweepStats {
    size_t broadcastsSent = 0;
    size_t unicastsSent = 0;
    size_t failed = 0;
    size_t covered = 0;
};

class CLanSweep {
public:
    // Every destination is turned into a socket address here, before the first send.
    explicit CLanSweep(const SweepPlan &plan);

    SweepStats Run(int fd, const Packet &datagram) const;

    size_t DestinationCount() const { return m_broadcasts.size() + m_unicasts.size(); }

private:
    std::vector<sockaddr_in> m_broadcasts;
    std::vector<sockaddr_in> m_unicasts;
    size_t m_covered;
};

// The announcer's datagram socket: any local address, a port the system chooses,
// non-blocking, broadcasts allowed. -1 when it cannot be created.
int OpenAnnouncerSocket();
