// The announcement plan: which subnets one broadcast covers, and which addresses of the
// /16 table are still sent singly, in table order.

#include "Profile.h"
#include "SweepPlan.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <memory>
#include <string>

namespace {

uint32_t Ip(const char *dotted) {
    in_addr a{};
    EXPECT_EQ(inet_pton(AF_INET, dotted, &a), 1) << dotted;
    return ntohl(a.s_addr);
}

InterfaceAddress Iface(const char *name, const char *addr, unsigned prefix, const char *bcast) {
    InterfaceAddress ia;
    ia.name = name;
    ia.address = addr;
    ia.prefixLength = prefix;
    ia.broadcast = bcast;
    ia.canBroadcast = bcast[0] != '\0';
    ia.up = true;
    return ia;
}

InterfaceAddress Loopback() {
    InterfaceAddress lo = Iface("lo", "127.0.0.1", 8, "");
    lo.loopback = true;
    return lo;
}

// The unicasts that go out when every planned broadcast did.
std::vector<uint32_t> Swept(const SweepPlan &p) {
    std::vector<uint32_t> out;
    for (size_t i = 0; i < p.unicasts.size(); ++i)
        if (p.reachedBy[i] == 0)
            out.push_back(p.unicasts[i]);
    return out;
}

std::vector<uint32_t> Addresses(const SweepPlan &p) {
    std::vector<uint32_t> out;
    for (const SweepBroadcast &b : p.broadcasts)
        out.push_back(b.address);
    return out;
}

struct Table {
    explicit Table(const char *ip) : rows(std::make_unique<char[][16]>(LAN_ADDRESS_COUNT)) {
        FillLanAddresses(rows.get(), ip);
    }
    SweepPlan Plan(const std::vector<InterfaceAddress> &ifs) const {
        return PlanSweep(rows.get(), LAN_ADDRESS_COUNT, ifs);
    }
    std::unique_ptr<char[][16]> rows;
};

TEST(SweepPlan, LoopbackOnlySendsEveryAddressSinglyInTableOrder) {
    Table t("127.0.0.1");
    SweepPlan p = t.Plan({Loopback()});
    EXPECT_TRUE(p.broadcasts.empty());
    EXPECT_EQ(p.Covered(~0u), 0u);
    ASSERT_EQ(p.unicasts.size(), 65536u);
    ASSERT_EQ(p.reachedBy.size(), 65536u);
    EXPECT_EQ(p.unicasts[0], Ip("127.0.0.0"));
    EXPECT_EQ(p.unicasts[256], Ip("127.0.1.0"));
    EXPECT_EQ(p.unicasts[65535], Ip("127.0.255.255"));
    for (size_t i = 1; i < p.unicasts.size(); ++i)
        ASSERT_EQ(p.unicasts[i], p.unicasts[i - 1] + 1) << i;
}

TEST(SweepPlan, OneSixteenSubnetIsOneBroadcastAndTheOwnAddress) {
    Table t("10.77.0.5");
    SweepPlan p = t.Plan({Loopback(), Iface("eth0", "10.77.0.5", 16, "10.77.255.255")});
    ASSERT_EQ(p.broadcasts.size(), 1u);
    EXPECT_EQ(p.broadcasts[0].address, Ip("10.77.255.255"));
    EXPECT_EQ(p.broadcasts[0].ifindex, 0u);
    EXPECT_EQ(Swept(p), std::vector<uint32_t>{Ip("10.77.0.5")});
    EXPECT_EQ(p.Covered(1u), 65535u);
    // Had the broadcast not gone, every address would be sent singly.
    EXPECT_EQ(p.Covered(0u), 0u);
    EXPECT_EQ(p.unicasts.size(), 65536u);
}

TEST(SweepPlan, OutsideTheBroadcastSubnetEveryAddressKeepsItsAttemptAndOrder) {
    Table t("10.77.3.5");
    SweepPlan p = t.Plan({Iface("eth0", "10.77.3.5", 24, "10.77.3.255")});
    EXPECT_EQ(Addresses(p), std::vector<uint32_t>{Ip("10.77.3.255")});
    EXPECT_EQ(p.Covered(~0u), 255u);
    std::vector<uint32_t> swept = Swept(p);
    ASSERT_EQ(swept.size(), 65536u - 255u);
    EXPECT_EQ(swept[0], Ip("10.77.0.0"));
    // 10.77.2.255 is followed by the own address, then by 10.77.4.0.
    EXPECT_EQ(swept[767], Ip("10.77.2.255"));
    EXPECT_EQ(swept[768], Ip("10.77.3.5"));
    EXPECT_EQ(swept[769], Ip("10.77.4.0"));
    EXPECT_EQ(swept.back(), Ip("10.77.255.255"));
}

TEST(SweepPlan, InterfacesThatCannotBroadcastLeaveTheFullSweep) {
    Table t("10.77.0.5");
    InterfaceAddress down = Iface("eth0", "10.77.0.5", 16, "10.77.255.255");
    down.up = false;
    InterfaceAddress noBcast = Iface("tun0", "10.77.1.1", 24, "");
    noBcast.index = 7;
    InterfaceAddress pointToPoint = Iface("p2p", "10.77.2.1", 31, "10.77.2.1");
    InterfaceAddress host = Iface("h32", "10.77.2.9", 32, "10.77.2.9");
    InterfaceAddress loopish = Iface("lo2", "10.77.4.1", 24, "10.77.4.255");
    loopish.loopback = true;
    // No usable broadcast address and no interface to send the limited one out of.
    InterfaceAddress unknownLink = Iface("eth9", "10.77.5.1", 24, "0.0.0.0");
    SweepPlan p = t.Plan({Loopback(), down, noBcast, pointToPoint, host, loopish, unknownLink});
    EXPECT_TRUE(p.broadcasts.empty());
    EXPECT_EQ(p.Covered(~0u), 0u);
    EXPECT_EQ(Swept(p).size(), 65536u);
}

// An address added without a broadcast address reports 0.0.0.0, its own address, or
// nothing: its subnet is reached by the limited broadcast out of its own interface.
TEST(SweepPlan, AnInterfaceWithoutAUsableBroadcastAddressGetsTheLimitedOneOutOfItself) {
    Table t("10.77.0.11");
    const char *reported[] = {"0.0.0.0", "10.77.0.11", "", "10.78.255.255", "10.77.0.255"};
    for (const char *bcast : reported) {
        SCOPED_TRACE(bcast);
        InterfaceAddress eth0 = Iface("eth0", "10.77.0.11", 16, bcast);
        eth0.canBroadcast = true;
        eth0.index = 3;
        SweepPlan p = t.Plan({Loopback(), eth0});
        ASSERT_EQ(p.broadcasts.size(), 1u);
        EXPECT_EQ(p.broadcasts[0].address, Ip("255.255.255.255"));
        EXPECT_EQ(p.broadcasts[0].ifindex, 3u);
        EXPECT_EQ(Swept(p), std::vector<uint32_t>{Ip("10.77.0.11")});
    }
    // Two subnets on one such link share that one broadcast; a second link has its own.
    InterfaceAddress a = Iface("eth0", "10.77.1.10", 24, "10.77.1.10");
    InterfaceAddress b = Iface("eth0:1", "10.77.2.10", 24, "0.0.0.0");
    InterfaceAddress c = Iface("eth1", "10.77.3.10", 24, "");
    a.index = b.index = 3;
    c.index = 4;
    c.canBroadcast = true;
    SweepPlan p = t.Plan({a, b, c});
    ASSERT_EQ(p.broadcasts.size(), 2u);
    EXPECT_EQ(p.broadcasts[1].ifindex, 4u);
    EXPECT_EQ(p.Covered(~0u), 3u * 255u);
    // Only the first link's broadcast went: the third subnet is swept singly.
    EXPECT_EQ(p.Covered(1u), 2u * 255u);
    EXPECT_EQ(p.reachedBy[Ip("10.77.3.20") & 0xFFFF], 2u);
}

TEST(SweepPlan, SubnetsOfAnotherSixteenAreNotBroadcast) {
    Table t("10.77.0.5");
    SweepPlan p = t.Plan({Iface("eth1", "192.168.1.5", 24, "192.168.1.255"),
                          Iface("eth2", "10.78.0.1", 16, "10.78.255.255")});
    EXPECT_TRUE(p.broadcasts.empty());
    EXPECT_EQ(Swept(p).size(), 65536u);
}

TEST(SweepPlan, ASubnetWiderThanTheSixteenCoversAllOfIt) {
    Table t("10.77.0.5");
    SweepPlan p = t.Plan({Iface("eth0", "10.0.0.1", 8, "10.255.255.255")});
    EXPECT_EQ(Addresses(p), std::vector<uint32_t>{Ip("10.255.255.255")});
    EXPECT_TRUE(Swept(p).empty());
    EXPECT_EQ(p.Covered(1u), 65536u);
}

TEST(SweepPlan, TwoSubnetsTwoBroadcastsAndBothOwnAddresses) {
    Table t("10.77.1.10");
    SweepPlan p = t.Plan({Iface("eth0", "10.77.1.10", 24, "10.77.1.255"),
                          Iface("eth0", "10.77.1.11", 24, "10.77.1.255"),
                          Iface("eth1", "10.77.200.1", 24, "10.77.200.255"),
                          Iface("eth2", "10.77.200.2", 16, "10.77.255.255")});
    // The shared broadcast goes out once; the /16 overlapping both gets its own.
    EXPECT_EQ(Addresses(p),
              (std::vector<uint32_t>{Ip("10.77.1.255"), Ip("10.77.200.255"), Ip("10.77.255.255")}));
    EXPECT_EQ(p.Covered(0b011u), 512u - 4u);
    std::vector<uint32_t> swept;
    for (size_t i = 0; i < p.unicasts.size(); ++i)
        if ((p.reachedBy[i] & 0b011u) == 0)
            swept.push_back(p.unicasts[i]);
    EXPECT_EQ(swept.size(), 65536u - 512u + 4u);
    auto has = [&](const char *a) {
        return std::find(swept.begin(), swept.end(), Ip(a)) != swept.end();
    };
    EXPECT_TRUE(has("10.77.1.10"));
    EXPECT_TRUE(has("10.77.1.11"));
    EXPECT_TRUE(has("10.77.200.1"));
    EXPECT_TRUE(has("10.77.200.2"));
    EXPECT_FALSE(has("10.77.1.12"));
    EXPECT_FALSE(has("10.77.200.255"));
    EXPECT_TRUE(has("10.77.2.0"));
    // An address in both a /24 and the /16 is left out when either broadcast went.
    EXPECT_EQ(p.Covered(0b100u), 65536u - 4u);
    EXPECT_EQ(p.Covered(0b001u), 256u - 2u);
}

TEST(SweepPlan, MalformedEntriesAndInterfacesAreSkippedSafely) {
    char rows[4][16] = {"10.77.0.1", "not an address", "10.77.0.300", "10.77.0.4"};
    InterfaceAddress junk = Iface("eth0", "garbage", 24, "also garbage");
    InterfaceAddress badBcast = Iface("eth1", "10.77.0.9", 24, "x");
    SweepPlan p = PlanSweep(rows, 4, {junk, badBcast});
    EXPECT_TRUE(p.broadcasts.empty());
    ASSERT_EQ(p.unicasts.size(), 2u);
    EXPECT_EQ(p.unicasts[1], Ip("10.77.0.4"));
    EXPECT_TRUE(PlanSweep(rows, 0, {junk}).unicasts.empty());
}

TEST(SweepPlan, MoreSubnetsThanBroadcastsLeaveTheRestToUnicasts) {
    std::vector<InterfaceAddress> ifs;
    for (int i = 0; i < 40; ++i) {
        std::string net = "10.77." + std::to_string(i) + ".";
        ifs.push_back(Iface("eth", (net + "1").c_str(), 24, (net + "255").c_str()));
    }
    SweepPlan p = Table("10.77.0.5").Plan(ifs);
    ASSERT_EQ(p.broadcasts.size(), SweepPlan::MAX_BROADCASTS);
    EXPECT_EQ(p.Covered(~0u), 32u * 255u);
    EXPECT_EQ(p.reachedBy[39 * 256 + 7], 0u);
}

} // namespace
