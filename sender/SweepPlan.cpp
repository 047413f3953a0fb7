#include "SweepPlan.h"

#include <algorithm>
#include <arpa/inet.h>

namespace {

constexpr uint32_t LIMITED_BROADCAST = 0xFFFFFFFFu;

bool Parse(const char *dotted, uint32_t &out) {
    in_addr a{};
    if (inet_pton(AF_INET, dotted, &a) != 1)
        return false;
    out = ntohl(a.s_addr);
    return true;
}

uint32_t Mask(unsigned prefixLength) {
    return prefixLength == 0 ? 0u : ~0u << (32 - std::min(prefixLength, 32u));
}

struct Subnet {
    uint32_t network;
    uint32_t mask;
    uint32_t bit; // of the broadcast that reaches it
};

// The broadcast that reaches the interface's subnet. An address added by hand without
// one reports a broadcast of 0.0.0.0 or its own address, which reach nobody else; the
// limited broadcast sent out of that interface then reaches its whole link instead.
SweepBroadcast BroadcastOf(const InterfaceAddress &ia, uint32_t addr, uint32_t mask) {
    uint32_t reported = 0;
    if (Parse(ia.broadcast.c_str(), reported) && reported == (addr | ~mask))
        return {reported, 0};
    return {LIMITED_BROADCAST, ia.index};
}

} // namespace

size_t SweepPlan::Covered(uint32_t sentMask) const {
    return size_t(std::count_if(reachedBy.begin(), reachedBy.end(),
                                [sentMask](uint32_t m) { return (m & sentMask) != 0; }));
}

SweepPlan PlanSweep(const char (*table)[16], size_t count,
                    const std::vector<InterfaceAddress> &interfaces) {
    SweepPlan plan;
    if (count == 0)
        return plan;

    // The table's /16, from its first entry.
    uint32_t first = 0;
    const bool haveTablePrefix = Parse(table[0], first);
    const uint32_t table16 = first & Mask(16);

    std::vector<Subnet> subnets;
    std::vector<uint32_t> own;
    for (const InterfaceAddress &ia : interfaces) {
        uint32_t addr = 0;
        if (!Parse(ia.address.c_str(), addr))
            continue;
        own.push_back(addr);
        // A /31 or /32 has no broadcast address worth the name.
        if (!haveTablePrefix || !ia.up || ia.loopback || !ia.canBroadcast || ia.prefixLength == 0 ||
            ia.prefixLength > 30)
            continue;
        const uint32_t mask = Mask(ia.prefixLength);
        const uint32_t overlap = Mask(std::min(ia.prefixLength, 16u));
        if ((addr & overlap) != (table16 & overlap))
            continue;
        const SweepBroadcast b = BroadcastOf(ia, addr, mask);
        if (b.address == LIMITED_BROADCAST && b.ifindex == 0)
            continue; // nothing says which link it would leave on
        auto same = std::find_if(plan.broadcasts.begin(), plan.broadcasts.end(),
                                 [&b](const SweepBroadcast &o) {
                                     return o.address == b.address && o.ifindex == b.ifindex;
                                 });
        if (same == plan.broadcasts.end()) {
            if (plan.broadcasts.size() == SweepPlan::MAX_BROADCASTS)
                continue;
            same = plan.broadcasts.insert(plan.broadcasts.end(), b);
        }
        subnets.push_back({addr & mask, mask, 1u << (same - plan.broadcasts.begin())});
    }

    plan.unicasts.reserve(count);
    plan.reachedBy.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        uint32_t addr = 0;
        if (!Parse(table[i], addr))
            continue;
        uint32_t reach = 0;
        // The host's own addresses are always sent singly: they never wait on resolution.
        if (std::find(own.begin(), own.end(), addr) == own.end())
            for (const Subnet &s : subnets)
                if ((addr & s.mask) == s.network)
                    reach |= s.bit;
        plan.unicasts.push_back(addr);
        plan.reachedBy.push_back(reach);
    }
    return plan;
}
