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
    EXPECT_EQ(p.covered, 0u);
    ASSERT_EQ(p.unicasts.size(), 65536u);
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
    EXPECT_EQ(p.broadcasts[0], Ip("10.77.255.255"));
    ASSERT_EQ(p.unicasts.size(), 1u);
    EXPECT_EQ(p.unicasts[0], Ip("10.77.0.5"));
    EXPECT_EQ(p.covered, 65535u);
}

TEST(SweepPlan, OutsideTheBroadcastSubnetEveryAddressKeepsItsAttemptAndOrder) {
    Table t("10.77.3.5");
    SweepPlan p = t.Plan({Iface("eth0", "10.77.3.5", 24, "10.77.3.255")});
    ASSERT_EQ(p.broadcasts.size(), 1u);
    EXPECT_EQ(p.broadcasts[0], Ip("10.77.3.255"));
    EXPECT_EQ(p.covered, 255u);
    ASSERT_EQ(p.unicasts.size(), 65536u - 255u);
    EXPECT_EQ(p.unicasts[0], Ip("10.77.0.0"));
    // 10.77.2.255 is followed by the own address, then by 10.77.4.0.
    EXPECT_EQ(p.unicasts[767], Ip("10.77.2.255"));
    EXPECT_EQ(p.unicasts[768], Ip("10.77.3.5"));
    EXPECT_EQ(p.unicasts[769], Ip("10.77.4.0"));
    EXPECT_EQ(p.unicasts.back(), Ip("10.77.255.255"));
}

TEST(SweepPlan, InterfacesThatCannotBroadcastLeaveTheFullSweep) {
    Table t("10.77.0.5");
    InterfaceAddress down = Iface("eth0", "10.77.0.5", 16, "10.77.255.255");
    down.up = false;
    InterfaceAddress noBcast = Iface("tun0", "10.77.1.1", 24, "");
    InterfaceAddress pointToPoint = Iface("p2p", "10.77.2.1", 31, "10.77.2.1");
    InterfaceAddress host = Iface("h32", "10.77.2.9", 32, "10.77.2.9");
    InterfaceAddress loopish = Iface("lo2", "10.77.4.1", 24, "10.77.4.255");
    loopish.loopback = true;
    SweepPlan p = t.Plan({Loopback(), down, noBcast, pointToPoint, host, loopish});
    EXPECT_TRUE(p.broadcasts.empty());
    EXPECT_EQ(p.covered, 0u);
    EXPECT_EQ(p.unicasts.size(), 65536u);
}

TEST(SweepPlan, SubnetsOfAnotherSixteenAreNotBroadcast) {
    Table t("10.77.0.5");
    SweepPlan p = t.Plan({Iface("eth1", "192.168.1.5", 24, "192.168.1.255"),
                          Iface("eth2", "10.78.0.1", 16, "10.78.255.255")});
    EXPECT_TRUE(p.broadcasts.empty());
    EXPECT_EQ(p.unicasts.size(), 65536u);
}

TEST(SweepPlan, ASubnetWiderThanTheSixteenCoversAllOfIt) {
    Table t("10.77.0.5");
    SweepPlan p = t.Plan({Iface("eth0", "10.0.0.1", 8, "10.255.255.255")});
    ASSERT_EQ(p.broadcasts.size(), 1u);
    EXPECT_EQ(p.broadcasts[0], Ip("10.255.255.255"));
    EXPECT_TRUE(p.unicasts.empty());
    EXPECT_EQ(p.covered, 65536u);
}

TEST(SweepPlan, TwoSubnetsTwoBroadcastsAndBothOwnAddresses) {
    Table t("10.77.1.10");
    SweepPlan p = t.Plan({Iface("eth0", "10.77.1.10", 24, "10.77.1.255"),
                          Iface("eth0", "10.77.1.11", 24, "10.77.1.255"),
                          Iface("eth1", "10.77.200.1", 24, "10.77.200.255")});
    ASSERT_EQ(p.broadcasts.size(), 2u); // the shared broadcast goes out once
    EXPECT_EQ(p.broadcasts[0], Ip("10.77.1.255"));
    EXPECT_EQ(p.broadcasts[1], Ip("10.77.200.255"));
    EXPECT_EQ(p.covered, 512u - 3u);
    EXPECT_EQ(p.unicasts.size(), 65536u - 512u + 3u);
    auto has = [&](const char *a) {
        return std::find(p.unicasts.begin(), p.unicasts.end(), Ip(a)) != p.unicasts.end();
    };
    EXPECT_TRUE(has("10.77.1.10"));
    EXPECT_TRUE(has("10.77.1.11"));
    EXPECT_TRUE(has("10.77.200.1"));
    EXPECT_FALSE(has("10.77.1.12"));
    EXPECT_FALSE(has("10.77.200.255"));
    EXPECT_TRUE(has("10.77.2.0"));
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

} // namespace
