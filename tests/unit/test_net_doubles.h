#pragma once
// Recording stand-ins for the lobby's handlers and the room window, for the net tests.

#include "IDatagramHandler.h"
#include "IRoomWindow.h"
#include "Records.h"

#include <string>
#include <vector>

namespace nettest {

inline std::string Who(const UserEntry& u) { return UserKey(u) + "/" + std::to_string(u.sex); }

// Every call, as "Method args".
class CallLog {
public:
    std::vector<std::string> calls;
    void Add(const std::string& call) { calls.push_back(call); }
};

class FakeRoomWindow : public IRoomWindow {
public:
    explicit FakeRoomWindow(CallLog& log, bool host = false) : m_log(log), m_host(host) {}
    bool IsHost() const override { return m_host; }
    void OnJoinRequest(const UserEntry& u) override { m_log.Add("OnJoinRequest " + Who(u)); }
    void OnMemberLeave(const UserEntry& u) override { m_log.Add("OnMemberLeave " + Who(u)); }
    void OnMemberEntered(const UserEntry& u) override { m_log.Add("OnMemberEntered " + Who(u)); }
    void OnMemberLeft(const UserEntry& u) override { m_log.Add("OnMemberLeft " + Who(u)); }
    void ShowPublicLine(const UserEntry& u, const std::string& text) override
    {
        m_log.Add("ShowPublicLine " + Who(u) + " " + text);
    }
    void ShowDirectedLine(const UserEntry& u, const UserEntry& to, const std::string& text) override
    {
        m_log.Add("ShowDirectedLine " + Who(u) + " " + Who(to) + " " + text);
    }

private:
    CallLog& m_log;
    bool m_host;
};

class FakeHandler : public IDatagramHandler {
public:
    explicit FakeHandler(CallLog& log) : m_log(log) {}
    IRoomWindow* window = nullptr;

    void OnHello(const UserEntry& u) override { m_log.Add("OnHello " + Who(u)); }
    void OnHelloAck(const UserEntry& u) override { m_log.Add("OnHelloAck " + Who(u)); }
    void OnRoomInfo(const RoomInfo& r) override { m_log.Add("OnRoomInfo " + Room(r)); }
    void OnBye(const UserEntry& u) override { m_log.Add("OnBye " + Who(u)); }
    void OnRoomClosed(const RoomInfo& r) override { m_log.Add("OnRoomClosed " + Room(r)); }
    void OnHostBye(const RoomInfo& r) override { m_log.Add("OnHostBye " + Room(r)); }
    void OnPrivateMessage(const UserEntry& u, const std::string& text) override
    {
        m_log.Add("OnPrivateMessage " + Who(u) + " " + text);
    }
    void OnRoomUpdate(const RoomInfo& r) override { m_log.Add("OnRoomUpdate " + Room(r)); }
    IRoomWindow* RoomWindow() override { return window; }

private:
    static std::string Room(const RoomInfo& r)
    {
        return FieldText(r.name) + "/" + std::to_string(r.memberCount) + "/" + Who(r.creator);
    }
    CallLog& m_log;
};

inline UserEntry MakeUser(const std::string& nick, const std::string& ip, int32_t sex = 0)
{
    UserEntry u;
    SetField(u.nick, nick);
    SetField(u.ip, ip);
    u.sex = sex;
    return u;
}

} // namespace nettest
