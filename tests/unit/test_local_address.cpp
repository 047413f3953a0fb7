// Which address the others reach us under, on hosts with several interfaces. The real
// cases run in a network namespace of their own that the test makes and throws away.
#include "LocalAddress.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

InterfaceAddress If(const std::string& name, const std::string& addr, bool up = true)
{
    InterfaceAddress ia;
    ia.name = name;
    ia.address = addr;
    ia.up = up;
    ia.loopback = name == "lo";
    return ia;
}

// Runs setup (shell commands) in a fresh network namespace and returns what
// GetLocalAddress chooses there, or "SKIP" when no namespace can be made.
std::string ChooseInFreshNamespace(const std::string& setup)
{
    int fds[2];
    if (pipe(fds) != 0)
        return "SKIP";
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::string answer = "SKIP";
        if (unshare(CLONE_NEWNET) == 0 &&
            std::system(("ip link set lo up && " + setup + " >/dev/null 2>&1").c_str()) == 0) {
            char buf[16] = {};
            GetLocalAddress(buf, 0);
            answer = buf;
        }
        (void)!write(fds[1], answer.data(), answer.size());
        _exit(0);
    }
    close(fds[1]);
    std::string out;
    char buf[64];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        out.append(buf, size_t(n));
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return out;
}

// An interface with a live carrier: one end of a veth pair whose other end is up.
std::string Pair(const std::string& name)
{
    return "ip link add " + name + " type veth peer name " + name + "p && ip link set " + name +
           "p up && ";
}

#define EXPECT_CHOICE(setup, expected)                                                       \
    do {                                                                                       \
        std::string got = ChooseInFreshNamespace(setup);                                       \
        if (got == "SKIP")                                                                     \
            GTEST_SKIP() << "cannot make a network namespace here";                            \
        EXPECT_EQ(got, expected) << setup;                                                     \
    } while (0)

} // namespace

TEST(LocalAddressRule, PrefersResolvedThenDefaultRouteThenFirstUp)
{
    std::vector<InterfaceAddress> ifs = {If("lo", "127.0.0.1"), If("docker0", "172.17.0.1"),
                                         If("eth0", "10.1.2.3"), If("wg0", "10.99.0.2", false)};
    EXPECT_EQ(ChooseLocalAddress({"10.1.2.3"}, ifs, ""), "10.1.2.3");
    // Debian maps the host name to 127.0.1.1: fall back to the default route's interface.
    EXPECT_EQ(ChooseLocalAddress({"127.0.1.1", "172.17.0.1"}, ifs, "eth0"), "10.1.2.3");
    // A resolved address that no interface holds any more is stale.
    EXPECT_EQ(ChooseLocalAddress({"192.0.2.9"}, ifs, "eth0"), "10.1.2.3");
    EXPECT_EQ(ChooseLocalAddress({}, ifs, ""), "172.17.0.1");
    EXPECT_EQ(ChooseLocalAddress({}, ifs, "wg0"), "172.17.0.1"); // the route's interface is down
    EXPECT_EQ(ChooseLocalAddress({}, {If("lo", "127.0.0.1")}, "lo"), "127.0.0.1");
    EXPECT_EQ(ChooseLocalAddress({}, {}, ""), "127.0.0.1");
}

TEST(LocalAddressOnHost, DefaultRouteWinsOverEarlierInterfaces)
{
    EXPECT_CHOICE(Pair("lqa") + "ip addr add 172.18.0.1/16 dev lqa && ip link set lqa up && " +
                      Pair("lqb") +
                      "ip addr add 10.20.30.40/16 dev lqb && ip link set lqb up && "
                      "ip route add default via 10.20.0.1 dev lqb",
                  "10.20.30.40");
}

TEST(LocalAddressOnHost, WithoutDefaultRouteTakesFirstUpInterface)
{
    EXPECT_CHOICE(Pair("lqa") + "ip addr add 10.5.0.9/24 dev lqa && " + Pair("lqb") +
                      "ip addr add 10.6.0.9/24 dev lqb && ip link set lqb up",
                  "10.6.0.9");
}

TEST(LocalAddressOnHost, LoopbackOnlyGivesLoopback)
{
    EXPECT_CHOICE("true", "127.0.0.1");
}
