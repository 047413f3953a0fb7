// Private message routing as the lobby does it: one window per peer, unread marking
// while hidden, the sound for every message, the users it refuses, and the desktop
// notification and tray count that lead the user to a waiting conversation.

#include "CChatRouter.h"
#include "CLobbyTray.h"
#include "CMessageNotifier.h"
#include "CPrivateChatDlg.h"
#include "LobbyFixture.h"
#include "LobbyTexts.h"

#include <QListView>

using namespace lobbytest;

namespace {

class PrivateRoutingTest : public LobbyTest {
protected:
    void SetUp() override
    {
        LobbyTest::SetUp();
        m_lobby->Chats().SetSoundForTesting([this] { ++m_sounds; });
        Start();
        Hello(m_peer);
        Hello(theProfile.m_self);
        TakeSent();
    }
    int Unread() const { return m_lobby->Notifier()->Count(); }
    void Message(const UserEntry& from, const char* text)
    {
        Deliver(EncodeUserText(PT_PRIVATE_MSG, from, text));
    }

    UserEntry m_peer = MakeUser("peer", "127.0.0.2", 1);
    int m_sounds = 0;
};

TEST_F(PrivateRoutingTest, MessagesForAHiddenWindowCountItOnceAndAlwaysSound)
{
    Message(m_peer, "one");
    ASSERT_EQ(m_lobby->ChatWindows().size(), 1u);
    CPrivateChatDlg* w = m_lobby->ChatWindows()[0];
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(w->m_bUnread);
    EXPECT_TRUE(SameUser(w->m_peer, m_peer));
    EXPECT_EQ(w->m_pLobby, static_cast<ILobby*>(m_lobby.get()));
    Message(m_peer, "two");
    EXPECT_EQ(m_lobby->ChatWindows().size(), 1u);
    EXPECT_EQ(Unread(), 1); // the notifier counts windows, not messages
    EXPECT_EQ(m_sounds, 2);
}

TEST_F(PrivateRoutingTest, VisibleWindowGetsTheLineWithoutUnreadMark)
{
    m_lobby->OpenChatWith("peer 127.0.0.2");
    ASSERT_EQ(m_lobby->ChatWindows().size(), 1u);
    CPrivateChatDlg* w = m_lobby->ChatWindows()[0];
    EXPECT_TRUE(w->isVisible());
    Message(m_peer, "hi"); // on screen, but not the active window
    EXPECT_FALSE(w->m_bUnread);
    EXPECT_EQ(Unread(), 0);
    EXPECT_EQ(m_sounds, 1);
    EXPECT_EQ(m_attention, 1);
    QApplication::setActiveWindow(w);
    ASSERT_TRUE(w->isActiveWindow());
    Message(m_peer, "ho");
    m_lobby->Alerts().Flush();
    EXPECT_TRUE(m_notes->notes.empty()); // the user looked before anything was shown
    EXPECT_EQ(m_attention, 1);
}

TEST_F(PrivateRoutingTest, UnknownSenderIsDroppedWithoutTrace)
{
    Message(MakeUser("peer", "127.0.0.2", 0), "same key, other sex"); // not listed
    Message(MakeUser("stranger", "127.0.0.9"), "hello?");
    EXPECT_TRUE(m_lobby->ChatWindows().empty());
    EXPECT_EQ(m_sounds, 0);
    EXPECT_EQ(Unread(), 0);
}

TEST_F(PrivateRoutingTest, OpeningReusesWindowsAndNeverOpensOneForSelf)
{
    m_lobby->OpenChatWith("me 127.0.0.1");
    m_lobby->OpenChatWith("nobody 127.0.0.8");
    EXPECT_TRUE(m_lobby->ChatWindows().empty());

    Message(m_peer, "waiting");
    m_lobby->UserList()->setCurrentIndex(m_lobby->UserList()->model()->index(0, 0));
    m_lobby->OnDblclkUserList();
    ASSERT_EQ(m_lobby->ChatWindows().size(), 1u);
    EXPECT_TRUE(m_lobby->ChatWindows()[0]->isVisible());
}

TEST_F(PrivateRoutingTest, EqualKeysOpenTheFirstListedUser)
{
    Hello(MakeUser("peer", "127.0.0.2", 0)); // listed after the female peer
    m_lobby->OpenChatWith("peer 127.0.0.2");
    ASSERT_EQ(m_lobby->ChatWindows().size(), 1u);
    EXPECT_EQ(m_lobby->ChatWindows()[0]->m_peer.sex, 1);
}

TEST_F(PrivateRoutingTest, SendOnlyToListedPeers)
{
    EXPECT_TRUE(m_lobby->SendPrivate(m_peer, "to you"));
    auto sent = TakeSent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].ip, "127.0.0.2");
    EXPECT_EQ(sent[0].decoded.type, PT_PRIVATE_MSG);
    EXPECT_EQ(sent[0].decoded.text, "to you");
    EXPECT_TRUE(SameUser(sent[0].decoded.user, theProfile.m_self));

    Deliver(EncodeUser(PT_BYE, m_peer));
    EXPECT_FALSE(m_lobby->SendPrivate(m_peer, "gone"));
    EXPECT_TRUE(TakeSent().empty());
}

TEST_F(PrivateRoutingTest, WindowThatCannotBeMadeIsReportedOnlyWhenAskedFor)
{
    m_lobby->Chats().SetWindowFactoryForTesting([](QWidget*) { return nullptr; });
    Message(m_peer, "lost");
    EXPECT_EQ(m_sounds, 0);
    m_boxes.Expect();
    m_lobby->OpenChatWith("peer 127.0.0.2");
    EXPECT_EQ(m_boxes.LastText(), LobbyText::ChatWindowFailed());
    EXPECT_TRUE(m_lobby->ChatWindows().empty());
}

TEST_F(PrivateRoutingTest, UnseenLinesGatherIntoOneEscapedNotificationThatOpensTheChat)
{
    Message(m_peer, "a<b> & c");
    Message(m_peer, "two\nlines");
    EXPECT_TRUE(m_notes->notes.empty()); // gathered until the event loop runs
    EXPECT_EQ(m_attention, 2);
    for (int i = 0; i < 500 && m_notes->notes.empty(); ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(m_notes->notes.size(), 1u);
    EXPECT_EQ(m_notes->notes[0].replacesId, 0u);
    EXPECT_EQ(m_notes->notes[0].summary, QStringLiteral("peer"));
    EXPECT_EQ(m_notes->notes[0].body, QStringLiteral("a&lt;b&gt; &amp; c\ntwo lines"));
    EXPECT_EQ(m_lobby->Tray().MarkedCount(), 1);
    EXPECT_EQ(m_lobby->Tray().Icon().toolTip(),
              QStringLiteral("Linquo\n") + m_lobby->Notifier()->CurrentText());

    // A line while the service has not answered yet waits for its id, then replaces.
    Message(m_peer, "three");
    m_lobby->Alerts().Flush();
    EXPECT_EQ(m_notes->notes.size(), 1u);
    m_notes->Answer(7);
    ASSERT_EQ(m_notes->notes.size(), 2u);
    EXPECT_EQ(m_notes->notes[1].replacesId, 7u);
    EXPECT_TRUE(m_notes->notes[1].body.endsWith(QStringLiteral("two lines\nthree")));
    m_notes->Answer(7);

    m_notes->activated(99); // not ours
    EXPECT_FALSE(m_lobby->ChatWindows()[0]->isVisible());
    m_notes->activated(7);
    EXPECT_TRUE(m_lobby->ChatWindows()[0]->isVisible());
    EXPECT_EQ(Unread(), 0);
    EXPECT_EQ(m_lobby->Tray().MarkedCount(), 0);
    EXPECT_EQ(m_notes->closed, std::vector<quint32>{7}); // seen: withdrawn
    EXPECT_EQ(m_sounds, 3);
}

TEST_F(PrivateRoutingTest, TrayOpensWaitingChatsInOrderThenTheLobby)
{
    const UserEntry other = MakeUser("other", "127.0.0.3");
    Hello(other);
    Message(m_peer, "first");
    Message(other, "second");
    m_lobby->Alerts().Flush();
    ASSERT_EQ(m_notes->notes.size(), 2u); // one per sender
    EXPECT_EQ(m_lobby->Tray().MarkedCount(), 2);
    m_lobby->Tray().OnActivated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(m_lobby->ChatWindows()[0]->isVisible());
    EXPECT_FALSE(m_lobby->ChatWindows()[1]->isVisible());
    EXPECT_EQ(m_lobby->Tray().MarkedCount(), 1);
    EXPECT_EQ(Unread(), 1);
    m_lobby->Tray().OnActivated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(m_lobby->ChatWindows()[1]->isVisible());
    m_lobby->showMinimized();
    m_lobby->Tray().OnActivated(QSystemTrayIcon::Trigger); // nothing waits: the lobby
    EXPECT_FALSE(m_lobby->windowState() & Qt::WindowMinimized);
    EXPECT_EQ(Unread(), 0);

    // Both were seen before the service answered: the late one is withdrawn at once,
    // and without a service nothing is left to withdraw.
    m_notes->Answer(5);
    m_notes->Answer(0);
    EXPECT_EQ(m_notes->closed, std::vector<quint32>{5});
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
