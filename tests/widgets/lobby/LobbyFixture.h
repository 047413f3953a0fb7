#pragma once
// A lobby wired for tests: a fake endpoint that records every datagram sent, a program
// directory of its own with an announcer file, scripted message boxes, and helpers that
// deliver datagrams as the socket would.

#include "CDesktopAlerts.h"
#include "CLobbyDlg.h"
#include "CRoomActions.h"
#include "GbkText.h"
#include "IChatEndpoint.h"
#include "INotificationSink.h"
#include "LobbyPaths.h"
#include "Packet.h"
#include "Profile.h"
#include "ScriptedBoxes.h"
#include "TempAppDir.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <utility>
#include <memory>
#include <string>
#include <vector>

namespace lobbytest {

struct SentDatagram {
    Datagram decoded;
    std::string ip;
};

class FakeEndpoint : public IChatEndpoint {
public:
    void SendTo(const Packet& packet, const char* ip) override
    {
        SentDatagram s;
        DecodeDatagram(packet.bytes, PACKET_SIZE, s.decoded);
        s.ip = ip;
        sent.push_back(s);
    }
    std::vector<SentDatagram> sent;
};

// Records every notification; the service's answers come only when the test gives them.
class FakeNotifications : public INotificationSink {
public:
    struct Shown {
        quint32 replacesId;
        QString summary;
        QString body;
    };
    void Notify(quint32 replacesId, const QString& summary, const QString& body,
                IdHandler shown) override
    {
        notes.push_back({replacesId, summary, body});
        answers.push_back(std::move(shown));
    }
    void Close(quint32 id) override { closed.push_back(id); }
    void SetHandlers(IdHandler onActivated, IdHandler onClosed) override
    {
        activated = std::move(onActivated);
        dismissed = std::move(onClosed);
    }
    bool BodyIsMarkup() const override { return true; }
    // The service answers the oldest Notify still waiting.
    void Answer(quint32 id)
    {
        IdHandler shown = std::move(answers.front());
        answers.erase(answers.begin());
        shown(id);
    }

    std::vector<Shown> notes;
    std::vector<IdHandler> answers;
    std::vector<quint32> closed;
    IdHandler activated;
    IdHandler dismissed;
};

inline UserEntry MakeUser(const char* nick, const char* ip, int32_t sex = 0)
{
    UserEntry u;
    SetField(u.nick, GbkFromUtf8(nick)); // literals are UTF-8, records GBK
    SetField(u.ip, ip);
    u.sex = sex;
    return u;
}

inline RoomInfo MakeRoom(const char* name, const UserEntry& creator, int32_t members = 0,
                         const char* intro = "hello")
{
    RoomInfo r;
    SetField(r.name, GbkFromUtf8(name));
    SetField(r.intro, GbkFromUtf8(intro));
    r.memberCount = members;
    r.creator = creator;
    return r;
}

inline void ResetProfile()
{
    theProfile.m_users.clear();
    theProfile.m_rooms.clear();
    theProfile.m_hosting = false;
    theProfile.m_joined = false;
    theProfile.m_self = MakeUser("me", "127.0.0.1", 0);
    theProfile.m_myRoom = MakeRoom("myroom", theProfile.m_self, 0, "my intro");
}

// Answers every box with OK/Yes and runs an action while the first one is open, as
// datagrams and signals arrive inside the nested loop of a real box.
class ActingBoxes : public IBoxResponder {
public:
    std::function<void()> whileOpen;
    std::vector<QString> texts;
    bool Answer(const BoxRecord& box) override
    {
        texts.push_back(box.text);
        if (auto act = std::exchange(whileOpen, nullptr))
            act();
        return true;
    }
};

class LobbyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProfile();
        m_dir.Write("Sender", "#!/bin/sh\n");
        std::snprintf(g_szSenderPath, sizeof g_szSenderPath, "%s", m_dir.File("Sender").c_str());
        m_lobby = std::make_unique<CLobbyDlg>();
        m_lobby->UseEndpointForTesting(&m_endpoint, m_bSocketCreated);
        m_lobby->SetProgramStarterForTesting([this](const std::string& path) {
            m_started.push_back(path);
            return true;
        });
        m_lobby->Rooms().SetSetupRunnerForTesting([] { return 100; });
        auto sink = std::make_unique<FakeNotifications>();
        m_notes = sink.get();
        m_lobby->Alerts().SetSink(std::move(sink));
        m_lobby->Alerts().SetGatherDelay(0);
        m_lobby->Alerts().SetAttentionForTesting([this] { ++m_attention; });
    }
    void TearDown() override
    {
        m_lobby.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ResetProfile();
        g_szSenderPath[0] = '\0';
    }

    // Initialises the lobby; ready unless told otherwise.
    void Start(bool ready = true)
    {
        m_lobby->OnInitDialog();
        if (ready) {
            m_boxes.Expect();
            m_lobby->OnLoginSent();
            m_boxes.Clear();
        }
    }
    void Deliver(const Packet& p) { m_lobby->OnDatagram(p.Data(), PACKET_SIZE); }
    void Hello(const UserEntry& u) { Deliver(EncodeUser(PT_HELLO, u)); }
    std::vector<SentDatagram> TakeSent()
    {
        std::vector<SentDatagram> s;
        s.swap(m_endpoint.sent);
        return s;
    }
    static void SettleDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    bool m_bSocketCreated = true;
    TempAppDir m_dir;
    ScriptedBoxes m_boxes;
    FakeEndpoint m_endpoint;
    std::vector<std::string> m_started;
    std::unique_ptr<CLobbyDlg> m_lobby;
    FakeNotifications* m_notes = nullptr; // owned by the lobby
    int m_attention = 0;
};

} // namespace lobbytest
