// The private chat window: caption on every show and hide, sending, the failure path,
// keys, the input limit, and a window that only hides and keeps its place.

#include "CPrivateChatDlg.h"
#include "CTranscriptView.h"
#include "../room/ConversationTestSupport.h"
#include "ScriptedBoxes.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <gtest/gtest.h>

using namespace convtest;

namespace {

class PrivateChatTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedSelf = theProfile.m_self;
        theProfile.m_self = m_me;
        m_dlg = std::make_unique<CPrivateChatDlg>();
        m_dlg->m_peer = m_peer;
        m_dlg->m_pLobby = &m_lobby;
    }
    void TearDown() override
    {
        m_dlg.reset();
        theProfile.m_self = m_savedSelf;
    }

    const UserEntry m_me = User("我", "127.0.3.1", 0);
    const UserEntry m_peer = User("abc", "127.0.3.2", 1);
    FakeLobby m_lobby;
    ScriptedBoxes m_boxes;
    std::unique_ptr<CPrivateChatDlg> m_dlg;

private:
    UserEntry m_savedSelf;
};

TEST_F(PrivateChatTest, CaptionIsSetOnEveryShowAndHideAndShowingClearsUnread)
{
    EXPECT_FALSE(m_dlg->isVisible());
    m_dlg->m_bUnread = true;
    m_dlg->show();
    EXPECT_EQ(m_dlg->windowTitle(), QStringLiteral("你在与[abc]对话中"));
    EXPECT_FALSE(m_dlg->m_bUnread);
    EXPECT_EQ(m_dlg->focusWidget(), m_dlg->InputLine());

    SetField(m_dlg->m_peer.nick, G("新名"));
    m_dlg->hide();
    EXPECT_EQ(m_dlg->windowTitle(), QStringLiteral("你在与[新名]对话中"));
    m_dlg->m_bUnread = true;
    m_dlg->show();
    EXPECT_FALSE(m_dlg->m_bUnread);

    // A nickname that looks like markup or Qt's placeholder is shown as sent.
    SetField(m_dlg->m_peer.nick, "<b>x</b>[*]y[*");
    m_dlg->hide();
    m_dlg->show();
    EXPECT_EQ(m_dlg->windowHandle()->title(), QStringLiteral("你在与[<b>x</b>[*]y[*]对话中"));
    m_dlg->ShowPrivateLine(m_dlg->m_peer, "<img src=a>");
    EXPECT_TRUE(m_dlg->Transcript()->document()->toPlainText().contains(
        QStringLiteral("[<b>x</b>[*]y[*]说: <img src=a>")));
}

TEST_F(PrivateChatTest, ControlsAndNoDefaultButton)
{
    EXPECT_EQ(m_dlg->SendButton()->text(), QStringLiteral("发送(&S)"));
    EXPECT_FALSE(m_dlg->SendButton()->autoDefault() || m_dlg->SendButton()->isDefault());
    bool labelFound = false;
    for (QLabel* l : m_dlg->findChildren<QLabel*>())
        labelFound |= l->text() == QStringLiteral("发言:");
    EXPECT_TRUE(labelFound);
    EXPECT_TRUE(m_dlg->Transcript()->isReadOnly());
}

TEST_F(PrivateChatTest, EnterSendsOnceShowsOwnLineAndEmptiesTheInput)
{
    m_dlg->show();
    m_dlg->InputLine()->setText(QStringLiteral("你好"));
    Key(m_dlg->InputLine(), Qt::Key_Return);
    ASSERT_EQ(m_lobby.m_privates.size(), 1u);
    EXPECT_TRUE(SameUser(m_lobby.m_privates[0].first, m_peer));
    EXPECT_EQ(m_lobby.m_privates[0].second, G("你好"));
    EXPECT_EQ(m_dlg->Transcript()->GbkText(), G("[我]说: 你好\r\n"));
    EXPECT_TRUE(m_dlg->InputLine()->text().isEmpty());
    EXPECT_TRUE(m_dlg->isVisible());
    // A second Enter on the empty box sends nothing.
    Key(m_dlg->InputLine(), Qt::Key_Return);
    m_dlg->SendButton()->click();
    EXPECT_EQ(m_lobby.m_privates.size(), 1u);
}

TEST_F(PrivateChatTest, OwnAndPeerLinesFollowEachSpeakersColours)
{
    m_dlg->ShowPrivateLine(m_peer, G("嗨"));
    m_dlg->InputLine()->setText(QStringLiteral("hi"));
    m_dlg->SendButton()->click();
    const std::vector<Segment> segments = Segments(*m_dlg->Transcript());
    ASSERT_EQ(segments.size(), 10u);
    EXPECT_EQ(segments[1].colour, QColor(255, 150, 150));
    EXPECT_EQ(segments[3].colour, QColor(255, 0, 255));
    EXPECT_EQ(segments[6].colour, QColor(0, 0, 255));
    EXPECT_EQ(segments[8].colour, QColor(0, 128, 64));
}

TEST_F(PrivateChatTest, UnlistedPeerGetsTheMessageTheWindowHidesAndKeepsTheText)
{
    m_dlg->show();
    m_dlg->ShowPrivateLine(m_peer, G("早"));
    const std::string before = m_dlg->Transcript()->GbkText();
    m_lobby.m_bPeerListed = false;
    m_boxes.Expect(true);
    m_dlg->InputLine()->setText(QStringLiteral("在吗"));
    m_dlg->SendButton()->click();
    ASSERT_EQ(m_boxes.Shown().size(), 1u);
    EXPECT_EQ(m_boxes.Shown()[0].text, QStringLiteral("对方可能不在线,无法发送信息"));
    EXPECT_EQ(m_boxes.Shown()[0].icon, BoxIcon::Exclamation);
    EXPECT_FALSE(m_dlg->isVisible());
    EXPECT_EQ(m_dlg->InputLine()->text(), QStringLiteral("在吗"));
    EXPECT_EQ(m_dlg->Transcript()->GbkText(), before);
}

TEST_F(PrivateChatTest, EscapeChangesNothing)
{
    m_dlg->show();
    m_dlg->InputLine()->setText(QStringLiteral("留着"));
    Key(m_dlg->InputLine(), Qt::Key_Escape);
    Key(m_dlg.get(), Qt::Key_Escape);
    Key(m_dlg->SendButton(), Qt::Key_Return);
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_EQ(m_dlg->InputLine()->text(), QStringLiteral("留着"));
    EXPECT_TRUE(m_lobby.m_privates.empty());
}

TEST_F(PrivateChatTest, CentredOnceClosingHidesAndKeepsTranscriptAndPlace)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(m_dlg->x(), (screen.width() - m_dlg->width()) / 2);
    EXPECT_EQ(m_dlg->y(), (screen.height() - m_dlg->height()) / 2);
    m_dlg->show();
    m_dlg->ShowPrivateLine(m_peer, G("记得"));
    m_dlg->move(40, 30);
    m_dlg->close();
    EXPECT_FALSE(m_dlg->isVisible());
    m_dlg->show();
    EXPECT_EQ(m_dlg->pos(), QPoint(40, 30));
    EXPECT_EQ(m_dlg->Transcript()->GbkText(), G("[abc]说: 记得\r\n"));
}

TEST_F(PrivateChatTest, InputHoldsTwoHundredGbkBytes)
{
    m_dlg->show();
    m_dlg->InputLine()->setFocus();
    for (int i = 0; i < 99; ++i)
        Key(m_dlg->InputLine(), 0, QStringLiteral("话"));
    Key(m_dlg->InputLine(), 0, QStringLiteral("a"));
    Key(m_dlg->InputLine(), 0, QStringLiteral("话"));
    Key(m_dlg->InputLine(), 0, QStringLiteral("b"));
    Key(m_dlg->InputLine(), 0, QStringLiteral("c"));
    EXPECT_EQ(ToGbk(m_dlg->InputLine()->text()).size(), 200u);
    EXPECT_TRUE(m_dlg->InputLine()->text().endsWith(QStringLiteral("ab")));
    m_dlg->InputLine()->setCursorPosition(0);
    Key(m_dlg->InputLine(), 0, QStringLiteral("z"));
    EXPECT_EQ(ToGbk(m_dlg->InputLine()->text()).size(), 200u);
    EXPECT_TRUE(m_dlg->InputLine()->text().endsWith(QStringLiteral("ab")));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
