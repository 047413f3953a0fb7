#pragma once
// The IPv4 address under which the other hosts of the LAN reach this one.

#include <cstddef>
#include <string>
#include <vector>

struct InterfaceAddress {
    std::string name;
    std::string address;   // dotted text
    std::string broadcast; // dotted text as reported, empty when none is
    unsigned prefixLength = 0;
    unsigned index = 0;    // the interface's index, 0 when unknown
    bool up = false;
    bool loopback = false;
    bool canBroadcast = false; // the link itself can broadcast
};

// The interfaces with IPv4 addresses, in the order the system lists them.
std::vector<InterfaceAddress> ListInterfaceAddresses();
// Name of the interface that carries the IPv4 default route, or empty.
std::string DefaultRouteInterface();

// The choice rule, separated from the system for testing: resolved addresses of the
// host name first unless loopback, then the default route's interface, then the first
// up non-loopback interface, then 127.0.0.1.
std::string ChooseLocalAddress(const std::vector<std::string>& resolved,
                               const std::vector<InterfaceAddress>& interfaces,
                               const std::string& defaultRouteInterface);

// Copies the address into dest (at least 16 bytes). Never leaves it empty.
bool GetLocalAddress(char* dest, int index);
