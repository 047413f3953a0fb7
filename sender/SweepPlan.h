#pragma once
// Which datagrams the announcement sends. A unicast to an absent host of a directly
// connected subnet waits for address resolution, so a subnet that a broadcast reaches is
// covered by that one broadcast; every other address of the table (reached through a
// gateway, or where nothing can broadcast) still gets its single attempt, in table order.

#include "LocalAddress.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct SweepPlan {
    // IPv4 addresses in host byte order.
    std::vector<uint32_t> broadcasts; // first, one per broadcast-capable subnet
    std::vector<uint32_t> unicasts;   // then these, in table order
    size_t covered = 0;               // table entries left to a broadcast
};

// table holds count dotted addresses (the /16 address table); interfaces are this host's.
SweepPlan PlanSweep(const char (*table)[16], size_t count,
                    const std::vector<InterfaceAddress> &interfaces);
