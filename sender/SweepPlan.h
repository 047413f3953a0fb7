#pragma once
// Which datagrams the announcement sends. A unicast to an absent host of a directly
// connected subnet waits for address resolution, so a subnet that a broadcast reaches is
// left to that one broadcast; every other address of the table (reached through a
// gateway, or where nothing can broadcast) still gets its single attempt, in table order.
// Whether a subnet is left to its broadcast is settled only when that broadcast has gone.

#include "LocalAddress.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct SweepBroadcast {
    uint32_t address;     // host byte order
    unsigned ifindex = 0; // when non-zero, sent out of this interface only
};

struct SweepPlan {
    // A bit per broadcast in a reach mask: more subnets than this are swept singly.
    static constexpr size_t MAX_BROADCASTS = 32;

    std::vector<SweepBroadcast> broadcasts; // first, one per broadcast-capable subnet
    std::vector<uint32_t> unicasts;         // then the table's addresses, in table order,
    std::vector<uint32_t> reachedBy;        // each skipped when a broadcast of its mask went

    // How many unicasts the broadcasts of sentMask (bit i: broadcasts[i]) leave out.
    size_t Covered(uint32_t sentMask) const;
};

// table holds count dotted addresses (the /16 address table); interfaces are this host's.
SweepPlan PlanSweep(const char (*table)[16], size_t count,
                    const std::vector<InterfaceAddress> &interfaces);
