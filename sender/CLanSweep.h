#pragma once
// Sends the announcement as planned, from one non-blocking socket. A send that finds the
// socket's buffer full waits until the socket is writable and goes again: the link drains
// it. A send refused for any other reason (no route, unreachable) is skipped, never
// retried and never fatal. So that a link that never drains cannot stall the run, a wait
// that outlasts WRITE_WAIT_MS ends the waiting for the rest of the sweep.

#include "Packet.h"
#include "SweepPlan.h"

#include <netinet/in.h>
#include <vector>

struct SweepStats {
    size_t broadcastsSent = 0;
    size_t unicastsSent = 0;
    size_t failed = 0;
    size_t covered = 0;
    size_t waits = 0; // sends that waited for room in the buffer
    bool stoppedWaiting = false;
};

class CLanSweep {
public:
    // Long enough for any link of 1 Mbit/s or more to drain half of the stock send
    // buffer; short against the ~3 s that unresolved neighbours hold their datagrams.
    static constexpr int WRITE_WAIT_MS = 1000;

    // Every destination is turned into a socket address here, before the first send.
    explicit CLanSweep(const SweepPlan &plan);

    SweepStats Run(int fd, const Packet &datagram) const;

    size_t DestinationCount() const { return m_broadcasts.size() + m_unicasts.size(); }

private:
    struct Broadcast {
        sockaddr_in to;
        unsigned ifindex;
    };
    std::vector<Broadcast> m_broadcasts;
    std::vector<sockaddr_in> m_unicasts;
    std::vector<uint32_t> m_reachedBy;
};

// The announcer's datagram socket: any local address, a port the system chooses,
// non-blocking, broadcasts allowed, the stock send buffer. -1 when it cannot be created.
int OpenAnnouncerSocket();
