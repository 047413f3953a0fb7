#pragma once
// The handlers the dispatcher routes received datagrams to (the lobby implements them).

#include "Records.h"

#include <string>

class IRoomWindow;

class IDatagramHandler {
public:
    virtual ~IDatagramHandler() = default;
    virtual void OnHello(const UserEntry& user) = 0;
    virtual void OnHelloAck(const UserEntry& user) = 0;
    virtual void OnRoomInfo(const RoomInfo& room) = 0;
    virtual void OnBye(const UserEntry& user) = 0;
    virtual void OnRoomClosed(const RoomInfo& room) = 0;
    virtual void OnHostBye(const RoomInfo& room) = 0;
    virtual void OnPrivateMessage(const UserEntry& sender, const std::string& text) = 0;
    virtual void OnRoomUpdate(const RoomInfo& room) = 0;
    // The open room window, or nullptr.
    virtual IRoomWindow* RoomWindow() = 0;
};
