#include "Dispatcher.h"

#include "IDatagramHandler.h"
#include "IRoomWindow.h"
#include "Packet.h"
#include "Profile.h"

namespace {

// Membership datagrams reach only the window of the matching role.
IRoomWindow* HostWindow(IDatagramHandler& handler)
{
    return theProfile.m_hosting ? handler.RoomWindow() : nullptr;
}

IRoomWindow* MemberWindow(IDatagramHandler& handler)
{
    return theProfile.m_joined ? handler.RoomWindow() : nullptr;
}

} // namespace

void DispatchDatagram(const void* data, size_t len, IDatagramHandler& handler)
{
    Datagram d;
    if (!DecodeDatagram(data, len, d))
        return;
    IRoomWindow* window = nullptr;
    switch (d.type) {
    case PT_HELLO:
        handler.OnHello(d.user);
        break;
    case PT_HELLO_ACK:
        handler.OnHelloAck(d.user);
        break;
    case PT_ROOM_INFO:
        handler.OnRoomInfo(d.room);
        break;
    case PT_BYE:
        handler.OnBye(d.user);
        break;
    case PT_ROOM_CLOSED:
        handler.OnRoomClosed(d.room);
        break;
    case PT_HOST_BYE:
        handler.OnHostBye(d.room);
        break;
    case PT_PRIVATE_MSG:
        handler.OnPrivateMessage(d.user, d.text);
        break;
    case PT_ROOM_UPDATE:
        handler.OnRoomUpdate(d.room);
        break;
    case PT_ROOM_LEAVE:
        if ((window = HostWindow(handler)) != nullptr)
            window->OnMemberLeave(d.user);
        break;
    case PT_ROOM_JOIN:
        if ((window = HostWindow(handler)) != nullptr)
            window->OnJoinRequest(d.user);
        break;
    case PT_MEMBER_ADD:
        if ((window = MemberWindow(handler)) != nullptr)
            window->OnMemberEntered(d.user);
        break;
    case PT_MEMBER_REMOVE:
        if ((window = MemberWindow(handler)) != nullptr)
            window->OnMemberLeft(d.user);
        break;
    case PT_ROOM_SAY:
        if ((window = handler.RoomWindow()) != nullptr)
            window->ShowPublicLine(d.user, d.text);
        break;
    case PT_ROOM_SAY_TO:
        if ((window = handler.RoomWindow()) != nullptr)
            window->ShowDirectedLine(d.user, d.addressee, d.text);
        break;
    default:
        break;
    }
}
