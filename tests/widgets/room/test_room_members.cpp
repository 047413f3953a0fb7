// The room's member list: what a host sends and shows for joins and leaves, what a member
// shows for the host's announcements, and the addressee marker.

#include "CTranscriptView.h"
#include "RoomFixture.h"

#include <QApplication>

using namespace convtest;

namespace {

void ExpectMemberAdd(const SentDatagram& sent, const UserEntry& carried, const UserEntry& to)
{
    EXPECT_TRUE(sent.decoded);
    EXPECT_EQ(sent.datagram.type, PT_MEMBER_ADD);
    EXPECT_TRUE(SameUser(sent.datagram.user, carried)) << FieldText(sent.datagram.user.nick);
    EXPECT_EQ(sent.ip, FieldText(to.ip));
}

using RoomMembersTest = RoomFixture;

TEST_F(RoomMembersTest, HostAnswersAJoinOlderMembersFirstThenHostThenOlderMembers)
{
    m_dlg->InitAsHost(&m_lobby);
    m_dlg->OnJoinRequest(m_x);
    m_dlg->OnJoinRequest(m_y);
    m_lobby.m_sent.clear();
    m_lobby.m_announcedCounts.clear();

    m_dlg->OnJoinRequest(m_z);

    ASSERT_EQ(m_lobby.m_sent.size(), 5u);
    ExpectMemberAdd(m_lobby.m_sent[0], m_z, m_x);
    ExpectMemberAdd(m_lobby.m_sent[1], m_z, m_y);
    ExpectMemberAdd(m_lobby.m_sent[2], m_host, m_z);
    ExpectMemberAdd(m_lobby.m_sent[3], m_x, m_z);
    ExpectMemberAdd(m_lobby.m_sent[4], m_y, m_z);
    EXPECT_EQ(theProfile.m_myRoom.memberCount, 3);
    EXPECT_EQ(m_lobby.m_announcedCounts, std::vector<int32_t>{3});
    ASSERT_EQ(List()->rowCount(), 4);
    EXPECT_EQ(RowName(0), QStringLiteral("所有人"));
    EXPECT_EQ(RowIp(0), QString());
    EXPECT_EQ(RowName(3), QStringLiteral("Z"));
    EXPECT_EQ(RowIp(3), QStringLiteral("127.0.2.4"));
    ExpectMarkerOn(0);
    EXPECT_EQ(m_dlg->Transcript()->GbkText(),
              G("[小X] 进入聊天室\r\n[Y] 进入聊天室\r\n[Z] 进入聊天室\r\n"));
}

TEST_F(RoomMembersTest, FirstJoinerHearsOnlyOfTheHost)
{
    m_dlg->InitAsHost(&m_lobby);
    m_dlg->OnJoinRequest(m_x);
    ASSERT_EQ(m_lobby.m_sent.size(), 1u);
    ExpectMemberAdd(m_lobby.m_sent[0], m_host, m_x);
    EXPECT_EQ(m_lobby.m_announcedCounts, std::vector<int32_t>{1});
}

TEST_F(RoomMembersTest, RepeatedJoinAndTheLocalUserAreIgnoredSilently)
{
    HostWithThreeMembers();
    const std::string before = m_dlg->Transcript()->GbkText();
    m_dlg->OnJoinRequest(User("Y", "127.0.2.3", 0));
    m_dlg->OnJoinRequest(m_host);
    EXPECT_TRUE(m_lobby.m_sent.empty());
    EXPECT_TRUE(m_lobby.m_announcedCounts.empty());
    EXPECT_EQ(m_dlg->Members().size(), 3u);
    EXPECT_EQ(m_dlg->Transcript()->GbkText(), before);
}

TEST_F(RoomMembersTest, SameNameOtherSexIsAnotherMember)
{
    HostWithThreeMembers();
    m_dlg->OnJoinRequest(User("Y", "127.0.2.3", 1));
    EXPECT_EQ(m_dlg->Members().size(), 4u);
}

TEST_F(RoomMembersTest, HostTellsRemainingMembersOfALeaveAndAnnouncesTheCount)
{
    HostWithThreeMembers();
    m_dlg->OnMemberLeave(m_y);

    ASSERT_EQ(m_lobby.m_sent.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(m_lobby.m_sent[i].datagram.type, PT_MEMBER_REMOVE);
        EXPECT_TRUE(SameUser(m_lobby.m_sent[i].datagram.user, m_y));
    }
    EXPECT_EQ(m_lobby.m_sent[0].ip, "127.0.2.2");
    EXPECT_EQ(m_lobby.m_sent[1].ip, "127.0.2.4");
    EXPECT_EQ(theProfile.m_myRoom.memberCount, 2);
    EXPECT_EQ(m_lobby.m_announcedCounts, std::vector<int32_t>{2});
    ASSERT_EQ(List()->rowCount(), 3);
    EXPECT_EQ(RowName(1), QStringLiteral("小X"));
    EXPECT_EQ(RowName(2), QStringLiteral("Z"));
    const std::string& text = m_dlg->Transcript()->GbkText();
    EXPECT_EQ(text.substr(text.size() - G("[Y] 离开聊天室\r\n").size()), G("[Y] 离开聊天室\r\n"));
}

TEST_F(RoomMembersTest, LeaveAndGoodbyeOfTheSameMemberGiveOneNotice)
{
    HostWithThreeMembers();
    m_dlg->OnMemberLeave(m_x); // the leave request
    m_dlg->OnMemberLeave(m_x); // the goodbye that follows when the program quits
    m_dlg->OnMemberLeave(User("Stranger", "127.0.2.9", 0));
    EXPECT_EQ(m_lobby.m_sent.size(), 2u);
    EXPECT_EQ(m_lobby.m_announcedCounts.size(), 1u);
    const std::string& text = m_dlg->Transcript()->GbkText();
    size_t notices = 0;
    for (size_t at = text.find(G("离开聊天室")); at != std::string::npos;
         at = text.find(G("离开聊天室"), at + 1))
        ++notices;
    EXPECT_EQ(notices, 1u);
}

TEST_F(RoomMembersTest, JoinedMemberListsHostThenOlderMembersWithNotices)
{
    RoomInfo room;
    room.creator = m_host;
    SetField(room.name, G("他的房间"));
    room.memberCount = 2;
    SetField(room.intro, G("不复制"));
    m_dlg->InitAsGuest(room, &m_lobby);
    theProfile.m_self = m_z;
    const int32_t countBefore = theProfile.m_myRoom.memberCount;

    m_dlg->OnMemberEntered(m_host);
    m_dlg->OnMemberEntered(m_x);
    m_dlg->OnMemberEntered(m_y);
    m_dlg->OnMemberEntered(m_x);
    m_dlg->OnMemberEntered(m_z); // never the local user

    EXPECT_FALSE(m_dlg->IsHost());
    EXPECT_EQ(m_dlg->windowTitle(), QStringLiteral("房间:[他的房间]"));
    EXPECT_TRUE(SameUser(m_dlg->Room().creator, m_host));
    EXPECT_EQ(FieldText(m_dlg->Room().name), G("他的房间"));
    EXPECT_EQ(m_dlg->Room().memberCount, 2);
    EXPECT_EQ(FieldText(m_dlg->Room().intro), FieldText(RoomInfo().intro));
    ASSERT_EQ(List()->rowCount(), 4);
    EXPECT_EQ(RowName(1), QStringLiteral("主人"));
    EXPECT_EQ(RowName(2), QStringLiteral("小X"));
    EXPECT_EQ(RowName(3), QStringLiteral("Y"));
    EXPECT_EQ(m_dlg->Transcript()->GbkText(),
              G("[主人] 进入聊天室\r\n[小X] 进入聊天室\r\n[Y] 进入聊天室\r\n"));
    m_dlg->OnMemberLeft(m_x);
    m_dlg->OnMemberLeft(m_x);
    EXPECT_EQ(List()->rowCount(), 3);
    EXPECT_TRUE(m_lobby.m_sent.empty());
    EXPECT_TRUE(m_lobby.m_announcedCounts.empty());
    EXPECT_EQ(theProfile.m_myRoom.memberCount, countBefore);
}

// Members X, Y, Z with one of them selected; then one leaves.
struct LeaveCase {
    int selected;
    int leaving; // row
    int selectedAfter;
};

class MarkerOnLeaveTest : public RoomFixture, public ::testing::WithParamInterface<LeaveCase> {};

TEST_P(MarkerOnLeaveTest, SelectionFollowsItsMemberOrMovesUpOneRow)
{
    const LeaveCase c = GetParam();
    HostWithThreeMembers();
    ClickRow(c.selected);
    ASSERT_EQ(m_dlg->Selected(), c.selected);
    const UserEntry leaver = m_dlg->Members()[c.leaving - 1];
    const UserEntry selectedBefore = m_dlg->Members()[c.selected - 1];
    m_dlg->OnMemberLeave(leaver);
    ExpectMarkerOn(c.selectedAfter);
    if (c.leaving < c.selected) { // the same member keeps the marker
        EXPECT_TRUE(SameUser(m_dlg->Members()[c.selectedAfter - 1], selectedBefore));
    }
}

INSTANTIATE_TEST_SUITE_P(EachPosition, MarkerOnLeaveTest,
                         ::testing::Values(LeaveCase{3, 1, 2}, LeaveCase{3, 3, 2},
                                           LeaveCase{3, 2, 2}, LeaveCase{2, 3, 2},
                                           LeaveCase{1, 1, 0}, LeaveCase{2, 2, 1}));

TEST_F(RoomMembersTest, MemberSideLeaveMovesTheMarkerTheSameWay)
{
    RoomInfo room;
    room.creator = m_host;
    m_dlg->InitAsGuest(room, &m_lobby);
    m_dlg->OnMemberEntered(m_x);
    m_dlg->OnMemberEntered(m_y);
    ClickRow(1);
    m_dlg->OnMemberLeft(m_x);
    ExpectMarkerOn(0);
}

TEST_F(RoomMembersTest, OnlyAMouseClickMovesTheMarker)
{
    HostWithThreeMembers();
    List()->setFocus();
    ClickRow(1);
    ExpectMarkerOn(1);
    Key(List(), Qt::Key_Down);
    Key(List(), Qt::Key_Down);
    EXPECT_EQ(List()->currentRow(), 3);
    ExpectMarkerOn(1);
    ClickRow(0);
    ExpectMarkerOn(0);
    ClickRow(0);
    ExpectMarkerOn(0);
}

TEST_F(RoomMembersTest, MarkerIsHeldWhileTheSelectedMemberIsOffline)
{
    HostWithThreeMembers();
    ClickRow(2); // Y
    theProfile.m_users = {m_host, m_x, m_z};
    ClickRow(3);
    ExpectMarkerOn(2);
    ClickRow(0);
    ExpectMarkerOn(2);
    // Back online: the marker moves again.
    theProfile.m_users.push_back(m_y);
    ClickRow(3);
    ExpectMarkerOn(3);
}

TEST_F(RoomMembersTest, OfflineSelectedMemberWhoLeavesFreesTheMarker)
{
    HostWithThreeMembers();
    ClickRow(2);
    theProfile.m_users = {m_host, m_x, m_z};
    m_dlg->OnMemberLeave(m_y);
    ExpectMarkerOn(1);
    ClickRow(2);
    ExpectMarkerOn(2);
}

TEST_F(RoomMembersTest, FindOnlineUserMatchesNickAndAddressTakingTheFirst)
{
    theProfile.m_users = {User("Y", "127.0.2.3", 1), m_y};
    UserEntry found;
    ASSERT_TRUE(CRoomDlg::FindOnlineUser(UserKey(m_y), found));
    EXPECT_EQ(found.sex, 1);
    EXPECT_FALSE(CRoomDlg::FindOnlineUser(G("Y 127.0.2.30"), found));
    EXPECT_FALSE(CRoomDlg::FindOnlineUser(G("y 127.0.2.3"), found));
}

TEST_F(RoomMembersTest, DoubleClickOnAMemberOpensAPrivateChat)
{
    HostWithThreeMembers();
    DoubleClickRow(2);
    DoubleClickRow(0);
    EXPECT_EQ(m_lobby.m_opened, std::vector<std::string>{G("Y 127.0.2.3")});
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
