#pragma once
// What the dispatcher hands to the open room window.

#include "Records.h"

#include <string>

class IRoomWindow {
public:
    virtual ~IRoomWindow() = default;
    virtual bool IsHost() const = 0;
    virtual void OnJoinRequest(const UserEntry& joiner) = 0;
    virtual void OnMemberLeave(const UserEntry& leaver) = 0;
    virtual void OnMemberEntered(const UserEntry& member) = 0;
    virtual void OnMemberLeft(const UserEntry& member) = 0;
    virtual void ShowPublicLine(const UserEntry& speaker, const std::string& text) = 0;
    virtual void ShowDirectedLine(const UserEntry& speaker, const UserEntry& addressee,
                                  const std::string& text) = 0;
};
