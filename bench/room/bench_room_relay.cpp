// A line said in a room of 200 members: the window sends it to every member and echoes
// it, against a bare loop of the same 200 sends on the same socket as baseline.

#include "CRoomDlg.h"
#include "GbkText.h"
#include "ILobby.h"
#include "Profile.h"
#include "QtBenchmarkMain.h"

#include <QApplication>
#include <QLineEdit>

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Sends for real, to loopback addresses (the benchmark runs in a private namespace).
class SocketLobby : public ILobby {
public:
    SocketLobby() { m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0); }
    ~SocketLobby() override { close(m_fd); }
    void SendTo(const Packet& packet, const char* ip) override
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(CHAT_PORT);
        if (inet_pton(AF_INET, ip, &to.sin_addr) == 1)
            sendto(m_fd, packet.bytes, sizeof packet.bytes, 0,
                   reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    void AnnounceRoomUpdate() override {}
    void LeaveRoom() override {}
    void OpenChatWith(const std::string&) override {}
    bool SendPrivate(const UserEntry&, const std::string&) override { return true; }
    const std::vector<CPrivateChatDlg*>& ChatWindows() const override { return m_none; }

private:
    int m_fd = -1;
    std::vector<CPrivateChatDlg*> m_none;
};

UserEntry Member(int i)
{
    UserEntry u;
    char nick[20], ip[16];
    std::snprintf(nick, sizeof nick, "member%d", i);
    std::snprintf(ip, sizeof ip, "127.0.%d.%d", i / 250, i % 250 + 1);
    SetField(u.nick, nick);
    SetField(u.ip, ip);
    u.sex = i % 2;
    return u;
}

constexpr int kMembers = 200;

void BM_Baseline_BareSends(benchmark::State& state)
{
    SocketLobby lobby;
    Packet p = EncodeUserText(PT_ROOM_SAY, theProfile.m_self, "hello everybody");
    std::vector<UserEntry> members;
    for (int i = 0; i < kMembers; ++i)
        members.push_back(Member(i));
    for (auto _ : state)
        for (const UserEntry& m : members)
            lobby.SendTo(p, m.ip);
}
BENCHMARK(BM_Baseline_BareSends)->Unit(benchmark::kMicrosecond);

void BM_RoomLineToEverybody(benchmark::State& state)
{
    SocketLobby lobby;
    CRoomDlg room;
    room.InitAsHost(&lobby);
    theProfile.m_hosting = true;
    for (int i = 0; i < kMembers; ++i)
        room.OnJoinRequest(Member(i));
    room.show();
    QApplication::processEvents();
    for (auto _ : state) {
        room.InputLine()->setText(QStringLiteral("hello everybody"));
        room.OnSend();
    }
    theProfile.m_hosting = false;
}
BENCHMARK(BM_RoomLineToEverybody)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) { return RunQtBenchmarks<QApplication>(argc, argv); }
