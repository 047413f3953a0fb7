// Any bytes off the wire must decode safely, and what decodes must survive a round trip
// through the encoder of its form.
#include "Packet.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Datagram d;
    if (!DecodeDatagram(data, size, d))
        return 0;
    Packet p;
    switch (FormOf(d.type)) {
    case BodyForm::U:
        p = EncodeUser(PacketType(d.type), d.user);
        break;
    case BodyForm::R:
        p = EncodeRoom(PacketType(d.type), d.room);
        break;
    case BodyForm::UT:
        p = EncodeUserText(PacketType(d.type), d.user, d.text);
        break;
    case BodyForm::UUT:
        p = EncodeUserUserText(PacketType(d.type), d.user, d.addressee, d.text);
        break;
    case BodyForm::None:
        abort();
    }
    Datagram again;
    if (!DecodeDatagram(p.bytes, sizeof p.bytes, again) || again.type != d.type ||
        !SameUser(again.user, d.user) || again.text.size() > d.text.size())
        abort();
    UserKey(again.user);
    return 0;
}
