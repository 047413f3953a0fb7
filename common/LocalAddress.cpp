#include "LocalAddress.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

namespace {

bool IsLoopback(const std::string& dotted)
{
    in_addr a{};
    return inet_pton(AF_INET, dotted.c_str(), &a) == 1 && (ntohl(a.s_addr) >> 24) == 127;
}

std::string Dotted(const sockaddr* sa)
{
    char buf[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(sa)->sin_addr, buf, sizeof buf);
    return buf;
}

unsigned PrefixOf(const sockaddr* mask)
{
    if (!mask)
        return 32;
    uint32_t m = ntohl(reinterpret_cast<const sockaddr_in*>(mask)->sin_addr.s_addr);
    unsigned n = 0;
    while (m & 0x80000000u) {
        ++n;
        m <<= 1;
    }
    return n;
}

std::vector<std::string> ResolveHostName()
{
    std::vector<std::string> out;
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0)
        return out;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* res = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &res) != 0)
        return out;
    for (addrinfo* p = res; p && out.size() < 16; p = p->ai_next)
        if (p->ai_family == AF_INET)
            out.push_back(Dotted(p->ai_addr));
    freeaddrinfo(res);
    return out;
}

} // namespace

std::vector<InterfaceAddress> ListInterfaceAddresses()
{
    std::vector<InterfaceAddress> out;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return out;
    for (ifaddrs* p = list; p; p = p->ifa_next) {
        if (!p->ifa_addr || p->ifa_addr->sa_family != AF_INET)
            continue;
        InterfaceAddress ia;
        ia.name = p->ifa_name ? p->ifa_name : "";
        ia.address = Dotted(p->ifa_addr);
        ia.prefixLength = PrefixOf(p->ifa_netmask);
        ia.up = (p->ifa_flags & IFF_UP) && (p->ifa_flags & IFF_RUNNING);
        ia.loopback = (p->ifa_flags & IFF_LOOPBACK) != 0;
        // An address label ("eth0:1") names its interface before the colon.
        ia.index = if_nametoindex(ia.name.substr(0, ia.name.find(':')).c_str());
        // The reported broadcast address may be absent or useless (an address added
        // without one reports 0.0.0.0 or its own address); the announcer judges it.
        ia.canBroadcast = (p->ifa_flags & IFF_BROADCAST) != 0;
        if (ia.canBroadcast && p->ifa_broadaddr)
            ia.broadcast = Dotted(p->ifa_broadaddr);
        out.push_back(ia);
    }
    freeifaddrs(list);
    return out;
}

std::string DefaultRouteInterface()
{
    FILE* f = std::fopen("/proc/net/route", "r");
    if (!f)
        return {};
    char line[512];
    std::string found;
    if (std::fgets(line, sizeof line, f)) { // header
        while (std::fgets(line, sizeof line, f)) {
            char name[64] = {};
            unsigned long dest = 1, mask = 1;
            unsigned flags = 0;
            if (std::sscanf(line, "%63s %lx %*x %x %*d %*d %*d %lx", name, &dest, &flags, &mask) ==
                    4 &&
                dest == 0 && mask == 0 && (flags & 1u)) {
                found = name;
                break;
            }
        }
    }
    std::fclose(f);
    return found;
}

std::string ChooseLocalAddress(const std::vector<std::string>& resolved,
                               const std::vector<InterfaceAddress>& interfaces,
                               const std::string& defaultRouteInterface)
{
    // A resolved address counts only when an up interface holds it: /etc/hosts can name
    // an address this host no longer has.
    for (const std::string& r : resolved) {
        if (IsLoopback(r))
            break;
        for (const InterfaceAddress& ia : interfaces)
            if (ia.up && ia.address == r)
                return r;
    }
    if (!defaultRouteInterface.empty())
        for (const InterfaceAddress& ia : interfaces)
            if (ia.up && !ia.loopback && ia.name == defaultRouteInterface)
                return ia.address;
    for (const InterfaceAddress& ia : interfaces)
        if (ia.up && !ia.loopback && !IsLoopback(ia.address))
            return ia.address;
    return "127.0.0.1";
}

bool GetLocalAddress(char* dest, int index)
{
    (void)index; // every caller asks for the first address
    std::string addr =
        ChooseLocalAddress(ResolveHostName(), ListInterfaceAddresses(), DefaultRouteInterface());
    std::snprintf(dest, 16, "%s", addr.c_str());
    return true;
}
