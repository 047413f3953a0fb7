// The room window as its user drives it: controls, sending to everybody and to one member,
// the input limit, clearing, keys and the close question.

#include "CTranscriptView.h"
#include "RoomFixture.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

using namespace convtest;

namespace {

using RoomWindowTest = RoomFixture;

void Type(QWidget* w, const QString& text)
{
    for (QChar c : text)
        Key(w, 0, QString(c));
}

TEST_F(RoomWindowTest, ControlsColumnsAndCaption)
{
    m_dlg->InitAsHost(&m_lobby);
    EXPECT_TRUE(m_dlg->IsHost());
    EXPECT_EQ(m_dlg->windowTitle(), QStringLiteral("房间:[闲聊]"));
    EXPECT_EQ(m_dlg->SendButton()->text(), QStringLiteral("发送(&S)"));
    EXPECT_EQ(m_dlg->SaveButton()->text(), QStringLiteral("保存聊天内容(&A)"));
    EXPECT_EQ(m_dlg->ClearButton()->text(), QStringLiteral("清空聊天记录(&C)"));
    for (QPushButton* b : m_dlg->findChildren<QPushButton*>())
        EXPECT_FALSE(b->isDefault() || b->autoDefault()) << b->text().toStdString();
    QStringList labels;
    for (QLabel* l : m_dlg->findChildren<QLabel*>())
        labels << l->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("用户列表:")));
    EXPECT_TRUE(labels.contains(QStringLiteral("聊天内容:")));
    EXPECT_TRUE(labels.contains(QStringLiteral("发言:")));
    ASSERT_EQ(List()->columnCount(), 3);
    EXPECT_EQ(List()->columnWidth(0), 20);
    EXPECT_EQ(List()->columnWidth(1), 100);
    EXPECT_EQ(List()->columnWidth(2), 100);
    EXPECT_EQ(List()->horizontalHeaderItem(1)->text(), QStringLiteral("姓名"));
    EXPECT_EQ(List()->horizontalHeaderItem(2)->text(), QStringLiteral("IP"));
    EXPECT_EQ(List()->rowCount(), 1);
    ExpectMarkerOn(0);
    EXPECT_FALSE(m_dlg->MemberList()->accessibleName().isEmpty());
    EXPECT_FALSE(m_dlg->InputLine()->accessibleName().isEmpty());
    EXPECT_EQ(m_dlg->focusWidget(), m_dlg->InputLine());
}

TEST_F(RoomWindowTest, EnterSendsALineToEveryMemberOnceAndEchoesIt)
{
    HostWithThreeMembers();
    m_dlg->InputLine()->setText(QStringLiteral("大家好"));
    Key(m_dlg->InputLine(), Qt::Key_Return);

    ASSERT_EQ(m_lobby.m_sent.size(), 3u);
    const char* ips[] = {"127.0.2.2", "127.0.2.3", "127.0.2.4"};
    for (size_t i = 0; i < 3; ++i) {
        const Datagram& d = m_lobby.m_sent[i].datagram;
        EXPECT_EQ(d.type, PT_ROOM_SAY);
        EXPECT_TRUE(SameUser(d.user, m_host));
        EXPECT_EQ(d.text, G("大家好"));
        EXPECT_EQ(m_lobby.m_sent[i].ip, ips[i]);
    }
    const std::string& text = m_dlg->Transcript()->GbkText();
    EXPECT_NE(text.find(G("[主人] 对 所有人 说: 大家好\r\n")), std::string::npos);
    EXPECT_TRUE(m_dlg->InputLine()->text().isEmpty());
}

TEST_F(RoomWindowTest, EmptyInputSendsNothing)
{
    HostWithThreeMembers();
    const std::string before = m_dlg->Transcript()->GbkText();
    m_dlg->SendButton()->click();
    EXPECT_TRUE(m_lobby.m_sent.empty());
    EXPECT_EQ(m_dlg->Transcript()->GbkText(), before);
    EXPECT_EQ(m_dlg->focusWidget(), m_dlg->InputLine());
}

TEST_F(RoomWindowTest, ALineToOneMemberReachesEveryMember)
{
    HostWithThreeMembers();
    ClickRow(2); // Y
    m_dlg->InputLine()->setText(QStringLiteral("悄悄话"));
    m_dlg->SendButton()->click();

    ASSERT_EQ(m_lobby.m_sent.size(), 3u);
    for (const SentDatagram& sent : m_lobby.m_sent) {
        EXPECT_EQ(sent.datagram.type, PT_ROOM_SAY_TO);
        EXPECT_TRUE(SameUser(sent.datagram.user, m_host));
        EXPECT_TRUE(SameUser(sent.datagram.addressee, m_y));
        EXPECT_EQ(sent.datagram.text, G("悄悄话"));
    }
    EXPECT_EQ(m_lobby.m_sent[0].ip, "127.0.2.2");
    EXPECT_EQ(m_lobby.m_sent[2].ip, "127.0.2.4");
    EXPECT_NE(m_dlg->Transcript()->GbkText().find(G("[主人] 对 [Y] 说: 悄悄话\r\n")),
              std::string::npos);
    EXPECT_TRUE(m_dlg->InputLine()->text().isEmpty());
    ExpectMarkerOn(2); // the addressee stays picked
}

TEST_F(RoomWindowTest, AddressedLineUsesTheOnlineRecordOfTheAddressee)
{
    HostWithThreeMembers();
    ClickRow(2);
    // The directory knows the same key first with another sex: that record is addressed.
    theProfile.m_users.insert(theProfile.m_users.begin(), User("Y", "127.0.2.3", 1));
    m_dlg->InputLine()->setText(QStringLiteral("x"));
    m_dlg->SendButton()->click();
    ASSERT_FALSE(m_lobby.m_sent.empty());
    EXPECT_EQ(m_lobby.m_sent[0].datagram.addressee.sex, 1);
}

TEST_F(RoomWindowTest, LineToAnOfflineMemberIsDroppedAndTheInputKept)
{
    HostWithThreeMembers();
    ClickRow(3);
    theProfile.m_users = {m_host, m_x, m_y};
    const std::string before = m_dlg->Transcript()->GbkText();
    m_dlg->InputLine()->setText(QStringLiteral("还在吗"));
    m_dlg->SendButton()->click();
    EXPECT_TRUE(m_lobby.m_sent.empty());
    EXPECT_EQ(m_dlg->Transcript()->GbkText(), before);
    EXPECT_EQ(m_dlg->InputLine()->text(), QStringLiteral("还在吗"));
}

TEST_F(RoomWindowTest, InputHoldsTwoHundredGbkBytesAndAddressedLinesKeep199)
{
    HostWithThreeMembers();
    m_dlg->InputLine()->setFocus();
    Type(m_dlg->InputLine(), QString(101, QChar(0x4E2D))); // 中
    Type(m_dlg->InputLine(), QStringLiteral("a"));
    EXPECT_EQ(ToGbk(m_dlg->InputLine()->text()).size(), 200u);

    // Everybody gets all 200 bytes.
    m_dlg->SendButton()->click();
    ASSERT_EQ(m_lobby.m_sent.size(), 3u);
    EXPECT_EQ(m_lobby.m_sent[0].datagram.text.size(), 200u);
    m_lobby.m_sent.clear();

    // One member: the addressed form keeps 199 bytes, never half a character.
    ClickRow(1);
    m_dlg->InputLine()->setText(QString(100, QChar(0x4E2D)));
    m_dlg->SendButton()->click();
    ASSERT_EQ(m_lobby.m_sent.size(), 3u);
    EXPECT_EQ(m_lobby.m_sent[0].datagram.text, G(QString(99, QChar(0x4E2D)).toUtf8().constData()));
    m_lobby.m_sent.clear();
    m_dlg->InputLine()->setText(QStringLiteral("a") + QString(99, QChar(0x4E2D)) +
                                QStringLiteral("b"));
    EXPECT_EQ(ToGbk(m_dlg->InputLine()->text()).size(), 200u);
    m_dlg->SendButton()->click();
    ASSERT_EQ(m_lobby.m_sent.size(), 3u);
    EXPECT_EQ(m_lobby.m_sent[0].datagram.text.size(), 199u);
    const std::string& shown = m_dlg->Transcript()->GbkText();
    EXPECT_EQ(shown.substr(shown.size() - 4), "\xD6\xD0\r\n"); // the echo is what was sent
}

TEST_F(RoomWindowTest, PastingPastTheLimitCutsAtACharacter)
{
    m_dlg->InputLine()->setText(QStringLiteral("a") + QString(120, QChar(0x6587)));
    EXPECT_EQ(m_dlg->InputLine()->text().size(), 100);
    EXPECT_EQ(ToGbk(m_dlg->InputLine()->text()).size(), 199u);
}

TEST_F(RoomWindowTest, AFullLineRefusesInsertionsButKeepsItsTextAndItsUndo)
{
    QLineEdit* line = m_dlg->InputLine();
    auto press = [line](int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent e(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(line, &e);
    };
    line->setFocus();
    Type(line, QString(99, QChar(0x4E2D)));
    QGuiApplication::clipboard()->setText(QStringLiteral("ab"));
    press(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(ToGbk(line->text()).size(), 200u);
    const QString full = line->text();

    // Typed or pasted into the middle of a full line: refused, the end stays.
    line->setCursorPosition(3);
    Type(line, QStringLiteral("x"));
    QGuiApplication::clipboard()->setText(QStringLiteral("yz"));
    press(Qt::Key_V, Qt::ControlModifier);
    press(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(line->text(), full);

    // What was done before the refusals is still undone step by step.
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(line->text(), full.chopped(2));
    press(Qt::Key_Y, Qt::ControlModifier);
    Key(line, Qt::Key_Backspace);
    EXPECT_EQ(line->text(), full.chopped(1));

    // A paste takes what fits, cut at a character, in place of the selection, as one step.
    const QString zi(QChar(0x5B57)); // 字
    QGuiApplication::clipboard()->setText(QStringLiteral("k") + zi + QStringLiteral("m"));
    line->setCursorPosition(0);
    press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(line->text(), QStringLiteral("k") + full.chopped(1));
    QGuiApplication::clipboard()->setText(QStringLiteral("k") + zi + QStringLiteral("mn"));
    line->setSelection(1, 2); // two characters, four bytes
    press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(line->text(),
              QStringLiteral("kk") + zi + QStringLiteral("m") + full.mid(2).chopped(1));
    EXPECT_EQ(ToGbk(line->text()).size(), 200u);
    press(Qt::Key_Z, Qt::ControlModifier);
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(line->text(), full.chopped(1));
}

TEST_F(RoomWindowTest, LinesFromAnyoneAreShownAndClearEmptiesTheTranscriptOnly)
{
    HostWithThreeMembers();
    const UserEntry stranger = User("路人", "127.0.2.50", 1);
    m_dlg->ShowPublicLine(stranger, G("你们好"));
    m_dlg->ShowDirectedLine(stranger, m_x, G("单独"));
    EXPECT_NE(m_dlg->Transcript()->GbkText().find(G("[路人] 对 [小X] 说: 单独\r\n")),
              std::string::npos);
    m_dlg->ClearButton()->click();
    EXPECT_TRUE(m_dlg->Transcript()->GbkText().empty());
    EXPECT_TRUE(m_lobby.m_sent.empty());
    EXPECT_EQ(m_dlg->Members().size(), 3u);
}

TEST_F(RoomWindowTest, EscapeAndEnterOutsideTheInputDoNothing)
{
    HostWithThreeMembers();
    m_dlg->show();
    Key(m_dlg.get(), Qt::Key_Escape);
    Key(m_dlg->MemberList(), Qt::Key_Escape);
    Key(m_dlg->SendButton(), Qt::Key_Return);
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_EQ(m_lobby.m_nLeaves, 0);
    EXPECT_TRUE(m_lobby.m_sent.empty());
}

TEST_F(RoomWindowTest, NoToTheCloseQuestionKeepsEverything)
{
    HostWithThreeMembers();
    m_dlg->show();
    const std::string before = m_dlg->Transcript()->GbkText();
    m_boxes.Expect(false);
    m_dlg->close();
    ASSERT_EQ(m_boxes.Shown().size(), 1u);
    EXPECT_EQ(m_boxes.Shown()[0].text, QStringLiteral("真的要关闭此房间吗?"));
    EXPECT_TRUE(m_boxes.Shown()[0].question);
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_EQ(m_lobby.m_nLeaves, 0);
    EXPECT_EQ(m_dlg->Members().size(), 3u);
    EXPECT_EQ(m_dlg->Transcript()->GbkText(), before);
}

TEST_F(RoomWindowTest, MemberIsAskedAboutLeavingAndYesLeavesThroughTheLobby)
{
    RoomInfo room;
    room.creator = m_x;
    m_dlg->InitAsGuest(room, &m_lobby);
    m_dlg->show();
    // The lobby destroys the window inside LeaveRoom; nothing may touch it afterwards.
    CRoomDlg* raw = m_dlg.release();
    QPointer<CRoomDlg> watch(raw);
    m_lobby.m_onLeave = [raw] { delete raw; };
    m_boxes.Expect(true);
    raw->close();
    EXPECT_EQ(m_boxes.LastText(), QStringLiteral("真的要离开此房间吗?"));
    EXPECT_EQ(m_lobby.m_nLeaves, 1);
    EXPECT_TRUE(watch.isNull());
}

TEST_F(RoomWindowTest, RoomDestroyedWhileItsCloseQuestionIsOpenIsNeverUsedAgain)
{
    // The host closes the room while the user reads the question: the lobby drops the
    // window from inside the question's own event loop.
    RoomInfo room;
    room.creator = m_x;
    m_dlg->InitAsGuest(room, &m_lobby);
    m_dlg->show();
    QPointer<CRoomDlg> watch(m_dlg.release());
    SetBoxResponder(nullptr); // a real box with its own event loop
    QTimer::singleShot(0, watch.data(), [watch] {
        watch->hide();
        watch->deleteLater();
    });
    // Should the box outlive the window, answer it so that the test ends.
    QTimer::singleShot(2000, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
    watch->OnClose();
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(m_lobby.m_nLeaves, 0);
    SetBoxResponder(&m_boxes);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
