// The announcer's run, in process: its failure messages, what it reads from Setup.ini,
// the hello's exact bytes, and the completion message to a stand-in lobby window.
// It sweeps for real, so it only runs in a namespace that has nothing but loopback.

#include "CSender.h"
#include "GbkText.h"
#include "LocalAddress.h"
#include "Packet.h"
#include "Profile.h"
#include "ProfilePath.h"
#include "ScopedEnv.h"
#include "ScriptedBoxes.h"
#include "SenderTexts.h"
#include "TempAppDir.h"
#include "WindowMessageClient.h"
#include "WindowMessageServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QCoreApplication &App() {
    static int argc = 1;
    static char name[] = "test_sender_run";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = new QCoreApplication(argc, argv);
    return *app;
}

bool LoopbackOnly() {
    for (const InterfaceAddress &ia : ListInterfaceAddresses())
        if (ia.up && !ia.loopback)
            return false;
    return true;
}

// A datagram socket on one loopback address and port 8800: it hears the hello sent to
// that one address of the 127.0/16 sweep.
class Listener {
public:
    explicit Listener(const char *ip) {
        m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(CHAT_PORT);
        inet_pton(AF_INET, ip, &sa.sin_addr);
        m_bound = bind(m_fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) == 0;
    }
    ~Listener() { close(m_fd); }
    bool Bound() const { return m_bound; }
    std::vector<std::string> Drain() const {
        std::vector<std::string> out;
        char buf[2048];
        ssize_t n;
        while ((n = recv(m_fd, buf, sizeof buf, 0)) >= 0)
            out.emplace_back(buf, size_t(n));
        return out;
    }

private:
    int m_fd = -1;
    bool m_bound = false;
};

class SenderRun : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        if (!LoopbackOnly())
            GTEST_SKIP()
                << "this test sweeps a /16: run it inside a loopback-only network namespace";
    }

    void WriteProfile(const std::string &bytes) { m_dir.Write("Setup.ini", bytes); }
    // Real sockets, counted as they are opened.
    static SenderHooks CountingSockets(int &count) {
        SenderHooks hooks;
        hooks.openSocket = [&count] {
            ++count;
            return OpenAnnouncerSocket();
        };
        return hooks;
    }

    // Runs the announcer on a worker thread while this thread plays Linquo's lobby window
    // (or no window at all); returns the run's result.
    int RunWithLobby(CSender &sender, bool lobbyOpen) {
        CWindowMessageServer lobby;
        if (lobbyOpen) {
            EXPECT_TRUE(lobby.Listen(SenderText::LobbyCaption()));
        }
        lobby.SetHandler([this](unsigned msg, quintptr w, qintptr l) {
            m_messages.push_back(msg);
            EXPECT_EQ(w, 0u);
            EXPECT_EQ(l, 0);
        });
        std::atomic<int> result{-1};
        std::atomic<bool> done{false};
        QThread *worker = QThread::create([&] {
            result = sender.Run();
            done = true;
        });
        worker->start();
        QElapsedTimer t;
        t.start();
        while (!done && t.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        worker->wait();
        delete worker;
        return result;
    }

    TempAppDir m_dir;
    ScriptedBoxes m_boxes;
    std::vector<unsigned> m_messages;
};

std::string GoodProfile() {
    return "[People]\r\nNick=alice\r\nSex=GIRL\r\n";
}

TEST_F(SenderRun, AnnouncesTheExactHelloThenTellsTheLobby) {
    WriteProfile(GoodProfile());
    Listener own("127.0.0.1");
    Listener other("127.0.5.9");
    Listener first("127.0.0.0");
    Listener last("127.0.255.255");
    ASSERT_TRUE(own.Bound() && other.Bound() && first.Bound() && last.Bound());

    CSender sender;
    EXPECT_EQ(RunWithLobby(sender, true), 0);
    EXPECT_TRUE(m_boxes.Shown().empty());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], WM_LOGIN_SENT);

    // Exactly one hello reaches each address, byte for byte form U of PT_HELLO.
    std::string expected(PACKET_SIZE, '\0');
    expected[0] = PT_HELLO;
    std::memcpy(&expected[1], "alice", 5);
    std::memcpy(&expected[21], "127.0.0.1", 9);
    expected[37] = 1;
    for (const Listener *l : {&own, &other, &first, &last}) {
        std::vector<std::string> got = l->Drain();
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0], expected);
    }
    EXPECT_EQ(sender.Stats().unicastsSent + sender.Stats().failed, 65536u);
    EXPECT_EQ(sender.Stats().broadcastsSent, 0u);
}

TEST_F(SenderRun, LobbyNotOpenShowsOnlyItsMessageAndReadsNothing) {
    WriteProfile(GoodProfile());
    int sockets = 0;
    CSender sender(CountingSockets(sockets));
    m_boxes.Expect();
    EXPECT_EQ(RunWithLobby(sender, false), 1);
    ASSERT_EQ(m_boxes.Shown().size(), 1u);
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("Linquo的程序未打开，无法进行消息发送"));
    EXPECT_EQ(m_boxes.Shown()[0].caption, QStringLiteral("Sender"));
    EXPECT_EQ(m_boxes.Shown()[0].icon, BoxIcon::Exclamation);
    EXPECT_STREQ(sender.Profile().ProfilePath(), ""); // Setup.ini was never looked for
    EXPECT_EQ(sockets, 0);
}

TEST_F(SenderRun, ProfileFailuresShowTheirMessageAndNeverTellTheLobby) {
    const char *profiles[] = {
        nullptr, // no Setup.ini at all
        "[People]\r\nNick=\r\nSex=BOY\r\n",
        "[People]\r\nNick=bob\r\nSex=\r\n",
    };
    for (const char *profile : profiles) {
        SCOPED_TRACE(profile ? profile : "(missing)");
        std::remove(m_dir.File("Setup.ini").c_str());
        if (profile)
            WriteProfile(profile);
        int sockets = 0;
        CSender sender(CountingSockets(sockets));
        m_boxes.Clear();
        m_messages.clear();
        m_boxes.Expect();
        EXPECT_EQ(RunWithLobby(sender, true), 1);
        EXPECT_EQ(m_boxes.LastText(), QStringLiteral("个人信息文件未读取，无法向局域网发送信息"));
        ASSERT_EQ(m_boxes.Shown().size(), 1u);
        EXPECT_EQ(m_boxes.Shown()[0].icon, BoxIcon::Exclamation);
        EXPECT_TRUE(m_messages.empty());
        EXPECT_EQ(sockets, 0);
    }
}

TEST_F(SenderRun, SocketFailuresShowTheirMessages) {
    WriteProfile(GoodProfile());
    {
        SenderHooks hooks;
        hooks.openSocket = [] { return -1; };
        CSender sender(hooks);
        m_boxes.Expect();
        EXPECT_EQ(RunWithLobby(sender, true), 1);
        EXPECT_EQ(m_boxes.LastText(), QStringLiteral("SOCKET创建失败，无法向局域网发送信息"));
        EXPECT_TRUE(m_messages.empty());
    }
    {
        SenderHooks hooks;
        hooks.socketSupport = [] { return false; };
        CSender sender(hooks);
        m_boxes.Expect();
        EXPECT_EQ(RunWithLobby(sender, true), 1);
        EXPECT_EQ(m_boxes.LastText(), QStringLiteral("AFXSOCKET初始化失败"));
        ASSERT_EQ(m_boxes.Shown().size(), 2u);
        EXPECT_TRUE(m_messages.empty());
    }
    for (const auto &box : m_boxes.Shown())
        EXPECT_EQ(box.icon, BoxIcon::Exclamation);
}

TEST_F(SenderRun, EverySendFailingStillCompletesAndTellsTheLobby) {
    WriteProfile(GoodProfile());
    SenderHooks hooks;
    hooks.openSocket = [] {
        int fd = OpenAnnouncerSocket();
        shutdown(fd, SHUT_WR); // every send now fails at once
        return fd;
    };
    CSender sender(hooks);
    EXPECT_EQ(RunWithLobby(sender, true), 0);
    EXPECT_EQ(sender.Stats().failed, 65536u);
    EXPECT_EQ(sender.Stats().unicastsSent, 0u);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(SenderRun, ASubnetIsLeftToItsBroadcastOnlyWhenThatBroadcastWent) {
    WriteProfile(GoodProfile());
    // Pretend this host's loopback address sits on a broadcast-capable /16: first with its
    // broadcast address, then with none and a link that is gone, so the limited
    // broadcast out of it fails.
    for (bool linkGone : {false, true}) {
        SCOPED_TRACE(linkGone ? "broadcast failed" : "broadcast sent");
        Listener own("127.0.0.1");
        Listener covered("127.0.5.9");
        Listener broadcast("127.0.255.255");
        SenderHooks hooks;
        hooks.interfaces = [linkGone] {
            InterfaceAddress ia;
            ia.name = "fake0";
            ia.address = "127.0.0.1";
            ia.broadcast = linkGone ? "0.0.0.0" : "127.0.255.255";
            ia.index = linkGone ? 999999u : 0u;
            ia.prefixLength = 16;
            ia.up = ia.canBroadcast = true;
            return std::vector<InterfaceAddress>{ia};
        };
        CSender sender(hooks);
        m_messages.clear();
        EXPECT_EQ(RunWithLobby(sender, true), 0);
        ASSERT_EQ(m_messages.size(), 1u);
        const SweepStats &s = sender.Stats();
        EXPECT_EQ(own.Drain().size(), 1u);
        EXPECT_EQ(broadcast.Drain().size(), 1u);
        if (!linkGone) {
            EXPECT_EQ(s.broadcastsSent, 1u);
            EXPECT_EQ(s.unicastsSent, 1u);
            EXPECT_EQ(s.covered, 65535u);
            EXPECT_TRUE(covered.Drain().empty());
        } else {
            // Nothing went to the subnet at once, so every address gets its own hello.
            EXPECT_EQ(s.broadcastsSent, 0u);
            EXPECT_EQ(s.covered, 0u);
            EXPECT_GE(s.failed, 1u);
            EXPECT_EQ(s.unicastsSent + s.failed, 65537u);
            EXPECT_EQ(covered.Drain().size(), 1u);
        }
        EXPECT_EQ(s.waits, 0u);
    }
}

// What the announcer reads, without sending anything.
class SenderProfileRead : public ::testing::Test {
protected:
    UserEntry Read(const std::string &file, bool *ok = nullptr) {
        m_dir.Write("Setup.ini", file);
        CSenderProfile profile;
        bool loaded = profile.Load();
        if (ok)
            *ok = loaded;
        else
            EXPECT_TRUE(loaded);
        return profile.Self();
    }
    TempAppDir m_dir;
};

TEST_F(SenderProfileRead, NicknameRules) {
    EXPECT_STREQ(Read("[People]\r\nSex=BOY\r\n").nick, "zoly");
    EXPECT_STREQ(Read("[People]\r\nNick=" + GbkFromUtf8("所有人") + "\r\n").nick, "zoly");
    EXPECT_EQ(FieldText(Read("[People]\r\nNick=abcdefghijklmnopqrstuvwxy\r\n").nick),
              "abcdefghijklmnopqrs");
    EXPECT_EQ(FieldText(Read("[people]\r\nnick=" + GbkFromUtf8("小明") + "\r\n").nick),
              GbkFromUtf8("小明"));
    bool ok = true;
    Read("[People]\r\nNick=\r\n", &ok);
    EXPECT_FALSE(ok);
}

TEST_F(SenderProfileRead, SexRules) {
    EXPECT_EQ(Read("[People]\r\nSex=BOY\r\n").sex, 0);
    EXPECT_EQ(Read("[People]\r\nNick=x\r\n").sex, 0); // absent: "BOY"
    EXPECT_EQ(Read("[People]\r\nSex=GIRL\r\n").sex, 1);
    EXPECT_EQ(Read("[People]\r\nSex=boy\r\n").sex, 1);
    EXPECT_EQ(Read("[People]\r\nSex=BOYS\r\n").sex, 1);
    EXPECT_EQ(Read("[People]\r\nSex=BOY12345\r\n").sex, 1);
    bool ok = true;
    Read("[People]\r\nSex=\r\n", &ok);
    EXPECT_FALSE(ok);
}

TEST_F(SenderProfileRead, AddressAndTableAreNeverEmpty) {
    CSenderProfile profile;
    m_dir.Write("Setup.ini", GoodProfile());
    ASSERT_TRUE(profile.Load());
    UserEntry self = profile.Self();
    EXPECT_NE(self.ip[0], '\0');
    char expected[16];
    GetLocalAddress(expected, 0);
    EXPECT_STREQ(self.ip, expected);
    std::string prefix = LanPrefix(self.ip);
    EXPECT_EQ(std::string(profile.Addresses()[0]), prefix + "0.0");
    EXPECT_EQ(std::string(profile.Addresses()[256]), prefix + "1.0");
    EXPECT_EQ(std::string(profile.Addresses()[65535]), prefix + "255.255");
    EXPECT_EQ(m_dir.Read("Setup.ini"), GoodProfile()); // never written
}

} // namespace

// Installed, Linquo keeps the profile in the user's configuration folder; the announcer
// must read that same file, not look beside itself.
TEST_F(SenderProfileRead, ReadsTheProfileLinquoKeepsPerUser) {
    const std::string config = m_dir.Path() + "config";
    ScopedEnv xdg("XDG_CONFIG_HOME", config.c_str());
    m_dir.Write(kPerUserProfileMarker, "");
    {
        CProfile linquo;
        SetField(linquo.m_self.nick, GbkFromUtf8("小红"));
        linquo.m_self.sex = 1;
    } // saved as Linquo saves at exit
    CSenderProfile profile;
    ASSERT_TRUE(profile.Load());
    EXPECT_EQ(std::string(profile.ProfilePath()), config + "/linquo/Setup.ini");
    EXPECT_EQ(FieldText(profile.Self().nick), GbkFromUtf8("小红"));
    EXPECT_EQ(profile.Self().sex, 1);
}
