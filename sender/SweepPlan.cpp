#include "SweepPlan.h"

#include <algorithm>
#include <arpa/inet.h>

namespace {

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
};

} // namespace

SweepPlan PlanSweep(const char (*table)[16], size_t count,
                    const std::vector<InterfaceAddress> &interfaces) {
    SweepPlan plan;
    if (count == 0)
        return plan;

    // The table's /16, from its first entry.
    uint32_t first = 0;
    const bool haveTablePrefix = Parse(table[0], first);
    const uint32_t table16 = first & Mask(16);

    std::vector<Subnet> covered;
    std::vector<uint32_t> own;
    for (const InterfaceAddress &ia : interfaces) {
        uint32_t addr = 0;
        if (!Parse(ia.address.c_str(), addr))
            continue;
        own.push_back(addr);
        uint32_t bcast = 0;
        // A /31 or /32 has no broadcast address worth the name.
        if (!haveTablePrefix || !ia.up || ia.loopback || !ia.canBroadcast || ia.prefixLength == 0 ||
            ia.prefixLength > 30 || !Parse(ia.broadcast.c_str(), bcast))
            continue;
        const uint32_t mask = Mask(ia.prefixLength);
        const uint32_t overlap = Mask(std::min(ia.prefixLength, 16u));
        if ((addr & overlap) != (table16 & overlap))
            continue;
        covered.push_back({addr & mask, mask});
        if (std::find(plan.broadcasts.begin(), plan.broadcasts.end(), bcast) ==
            plan.broadcasts.end())
            plan.broadcasts.push_back(bcast);
    }

    plan.unicasts.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        uint32_t addr = 0;
        if (!Parse(table[i], addr))
            continue;
        bool inBroadcastSubnet =
            std::any_of(covered.begin(), covered.end(),
                        [addr](const Subnet &s) { return (addr & s.mask) == s.network; });
        // The host's own addresses are still sent singly: they never wait on resolution.
        if (inBroadcastSubnet && std::find(own.begin(), own.end(), addr) == own.end()) {
            ++plan.covered;
            continue;
        }
        plan.unicasts.push_back(addr);
    }
    return plan;
}
