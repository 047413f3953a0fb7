#pragma once
// The seam through which Linquo sends: the real UDP endpoint, or a fake in tests.

#include "Packet.h"

class IChatEndpoint {
public:
    virtual ~IChatEndpoint() = default;
    // Sends all 281 bytes to port 8800 of the dotted address; the result is not used.
    virtual void SendTo(const Packet& packet, const char* ip) = 0;
};
