// The lobby window itself: caption, menus, lists, layout, the readiness gate, start-up
// failures and the closing sequence.

#include "CLobbyTray.h"
#include "CPrivateChatDlg.h"
#include "CRoomDlg.h"
#include "CSettingsDlg.h"
#include "LobbyFixture.h"
#include "LobbyLayout.h"
#include "LobbyTestUtil.h"
#include "LobbyTexts.h"
#include "WindowMessageClient.h"

#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <atomic>
#include <thread>

using namespace lobbytest;

namespace {

// A point of the list's viewport below and right of every item.
QPoint Empty(QAbstractItemView* list)
{
    const QPoint corner(list->viewport()->width() - 3, list->viewport()->height() - 3);
    EXPECT_FALSE(list->indexAt(corner).isValid());
    return corner;
}

TEST(LobbyLayoutTest, FortySixtySplitTruncatesTowardZero)
{
    LobbyGeometry g = ComputeLobbyLayout(800, 600, 50);
    EXPECT_EQ(g.topBar, QRect(0, 0, 800, 50));
    EXPECT_EQ(g.userList, QRect(0, 50, 800, 220));
    EXPECT_EQ(g.roomList, QRect(0, 270, 800, 330));

    g = ComputeLobbyLayout(640, 151, 50); // R = 101: 40.4 and 60.6
    EXPECT_EQ(g.userList.height(), 40);
    EXPECT_EQ(g.roomList.height(), 60);
    EXPECT_EQ(g.roomList.bottom(), 149); // the last pixel row stays uncovered
}

class LobbyWindowTest : public LobbyTest {};

TEST_F(LobbyWindowTest, CaptionMenusListsAndButton)
{
    EXPECT_EQ(m_lobby->windowTitle(), QStringLiteral("Linquo") + QString(16, QLatin1Char(' ')));
    EXPECT_EQ(m_lobby->SettingsAction()->text(), QStringLiteral("设置(&S)..."));
    EXPECT_EQ(m_lobby->ExitAction()->text(), QStringLiteral("退出程序(&X)"));
    EXPECT_EQ(m_lobby->AboutAction()->text(), QStringLiteral("关于(&B)..."));
    EXPECT_EQ(m_lobby->SettingsAction()->data().toInt(), 32772);
    EXPECT_EQ(m_lobby->ExitAction()->data().toInt(), 32771);
    EXPECT_EQ(m_lobby->AboutAction()->data().toInt(), 32773);
    EXPECT_EQ(m_lobby->CreateRoomButton()->text(), QStringLiteral("开设房间(&S)"));
    EXPECT_FALSE(m_lobby->CreateRoomButton()->autoDefault());
    EXPECT_EQ(m_lobby->Tray().OpenAction()->text(), QStringLiteral("打开大厅"));
    EXPECT_EQ(m_lobby->Tray().ExitAction()->text(), QStringLiteral("退出程序"));
    EXPECT_EQ(m_lobby->Tray().Icon().toolTip(), QStringLiteral("Linquo\n你当前没有任何消息"));

    QTableView* rooms = m_lobby->RoomList();
    const QStringList headings = {QStringLiteral("房间名"), QStringLiteral("创建人"),
                                  QStringLiteral("房间当前人数"), QStringLiteral("房间简介"),
                                  QStringLiteral("房主IP")};
    const int widths[] = {150, 150, 100, 400, 200};
    ASSERT_EQ(rooms->model()->columnCount(), 5);
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(rooms->model()->headerData(c, Qt::Horizontal).toString(), headings[c]);
        EXPECT_EQ(rooms->columnWidth(c), widths[c]);
    }
    EXPECT_TRUE(rooms->showGrid());
    EXPECT_EQ(rooms->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_FALSE(m_lobby->UserList()->accessibleName().isEmpty());
    EXPECT_FALSE(rooms->accessibleName().isEmpty());

    Start();
    EXPECT_TRUE(m_lobby->windowState() & Qt::WindowMaximized);
    ASSERT_EQ(m_started.size(), 1u);
    EXPECT_EQ(m_started[0], m_dir.File("Sender"));
}

TEST_F(LobbyWindowTest, ListsShowKeysNumbersAndIconsBySex)
{
    Start();
    Hello(MakeUser("boy", "127.0.0.2", 0));
    Hello(MakeUser("girl", "127.0.0.3", 1));
    QAbstractItemModel* users = m_lobby->UserList()->model();
    ASSERT_EQ(users->rowCount(), 2);
    EXPECT_EQ(users->index(0, 0).data().toString(), QStringLiteral("boy 127.0.0.2"));
    EXPECT_FALSE(users->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());

    Deliver(EncodeRoom(PT_ROOM_INFO, MakeRoom("茶馆", MakeUser("girl", "127.0.0.3", 1), 7, "聊天")));
    QAbstractItemModel* rooms = m_lobby->RoomList()->model();
    ASSERT_EQ(rooms->rowCount(), 1);
    EXPECT_EQ(rooms->index(0, 0).data().toString(), QStringLiteral("茶馆"));
    EXPECT_EQ(rooms->index(0, 1).data().toString(), QStringLiteral("girl"));
    EXPECT_EQ(rooms->index(0, 2).data().toString(), QStringLiteral("7"));
    EXPECT_EQ(rooms->index(0, 3).data().toString(), QStringLiteral("聊天"));
    EXPECT_EQ(rooms->index(0, 4).data().toString(), QStringLiteral("127.0.0.3"));
    EXPECT_FALSE(rooms->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(rooms->index(0, 1).data(Qt::DecorationRole).isValid());
}

TEST_F(LobbyWindowTest, ResizeMovesNothingBeforeInitialisationThenSplitsFortySixty)
{
    m_lobby->TopBar()->setFixedHeight(50);
    m_lobby->show();
    const QRect before = m_lobby->UserList()->geometry();
    m_lobby->resize(900, 700);
    QApplication::processEvents();
    EXPECT_EQ(m_lobby->UserList()->geometry(), before);

    Start();
    m_lobby->showNormal();
    const int frame = m_lobby->height() - m_lobby->Client()->height();
    m_lobby->resize(800, 600 + frame);
    QApplication::processEvents();
    ASSERT_EQ(m_lobby->Client()->height(), 600);
    EXPECT_EQ(m_lobby->TopBar()->geometry(), QRect(0, 0, m_lobby->Client()->width(), 50));
    EXPECT_EQ(m_lobby->UserList()->geometry().top(), 50);
    EXPECT_EQ(m_lobby->UserList()->height(), 220);
    EXPECT_EQ(m_lobby->RoomList()->geometry().top(), 270);
    EXPECT_EQ(m_lobby->RoomList()->height(), 330);
}

TEST_F(LobbyWindowTest, EveryGatedEntryOnlyShowsTheWaitingMessage)
{
    Start(false);
    m_lobby->show();
    Hello(MakeUser("peer", "127.0.0.2"));
    Deliver(EncodeRoom(PT_ROOM_INFO, MakeRoom("r", MakeUser("peer", "127.0.0.2"))));
    m_lobby->UserList()->setCurrentIndex(m_lobby->UserList()->model()->index(0, 0));
    m_lobby->RoomList()->selectRow(0);
    TakeSent();

    const std::vector<std::function<void()>> entries = {
        [&] { m_lobby->ExitAction()->trigger(); },
        [&] { m_lobby->Tray().ExitAction()->trigger(); },
        [&] { m_lobby->SettingsAction()->trigger(); },
        [&] { m_lobby->CreateRoomButton()->click(); },
        [&] { m_lobby->OnDblclkUserList(); },
        [&] { m_lobby->OnDblclkRoomList(); },
        [&] { DoubleClick(m_lobby->UserList()->viewport(), Empty(m_lobby->UserList())); },
        [&] { DoubleClick(m_lobby->RoomList()->viewport(), Empty(m_lobby->RoomList())); },
        [&] { m_lobby->close(); },
    };
    for (const auto& entry : entries) {
        m_boxes.Expect();
        entry();
        ASSERT_EQ(m_boxes.Shown().size(), 1u);
        EXPECT_EQ(m_boxes.Shown()[0].text, LobbyText::Waiting());
        EXPECT_EQ(m_boxes.Shown()[0].icon, BoxIcon::None);
        m_boxes.Clear();
    }
    EXPECT_TRUE(m_lobby->isVisible());
    EXPECT_FALSE(m_lobby->IsClosed());
    EXPECT_TRUE(TakeSent().empty());
    EXPECT_EQ(m_lobby->Rooms().Window(), nullptr);
    EXPECT_TRUE(m_lobby->ChatWindows().empty());

    // Once ready, empty space is a double-click with nothing selected: nothing happens.
    m_boxes.Expect();
    m_lobby->OnLoginSent();
    m_boxes.Clear();
    QAbstractItemView* const lists[] = {m_lobby->UserList(), m_lobby->RoomList()};
    for (QAbstractItemView* list : lists) {
        list->selectAll();
        DoubleClick(list->viewport(), Empty(list));
    }
    EXPECT_TRUE(m_boxes.Shown().empty());
    EXPECT_TRUE(TakeSent().empty());
    EXPECT_EQ(m_lobby->Rooms().Window(), nullptr);
    EXPECT_TRUE(m_lobby->ChatWindows().empty());
}

TEST_F(LobbyWindowTest, AboutIsNotGated)
{
    Start(false);
    int asked = 0;
    QObject::connect(m_lobby.get(), &CLobbyDlg::AboutRequested, [&] { ++asked; });
    m_lobby->AboutAction()->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(LobbyWindowTest, LoginSentOpensTheGateAndRepeatsItsMessage)
{
    Start(false);
    EXPECT_FALSE(m_lobby->IsReady());
    m_boxes.Expect();
    m_boxes.Expect();
    m_lobby->OnLoginSent();
    m_lobby->OnLoginSent();
    ASSERT_EQ(m_boxes.Shown().size(), 2u);
    for (const BoxRecord& box : m_boxes.Shown()) {
        EXPECT_EQ(box.text, LobbyText::Ready());
        EXPECT_EQ(box.icon, BoxIcon::None);
    }
    EXPECT_TRUE(m_lobby->IsReady());
}

TEST_F(LobbyWindowTest, AnnouncerFindsLobbyByCaptionAndWaitsForTheReadyBox)
{
    Start(false);
    std::atomic<bool> returned{false};
    std::atomic<bool> delivered{false};
    std::thread announcer([&] {
        delivered = SendWindowMessage(LobbyText::Caption(), WM_LOGIN_SENT, 0, 0);
        returned = true;
    });
    ActingBoxes boxes; // the announcer must still be waiting while the box is open
    boxes.whileOpen = [&] {
        for (int i = 0; i < 20; ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        EXPECT_FALSE(returned);
    };
    SetBoxResponder(&boxes);
    for (int i = 0; i < 500 && !returned; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    announcer.join();
    SetBoxResponder(&m_boxes);
    EXPECT_TRUE(delivered);
    EXPECT_TRUE(m_lobby->IsReady());
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], LobbyText::Ready());
}

TEST_F(LobbyWindowTest, EscapeAndEnterLeaveTheLobbyOpen)
{
    Start();
    m_lobby->show();
    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        Key(m_lobby.get(), key);
        Key(m_lobby->UserList(), key);
        Key(m_lobby->RoomList(), key);
    }
    EXPECT_TRUE(m_lobby->isVisible());
    EXPECT_TRUE(m_boxes.Shown().empty()); // the button did not run either
}

TEST_F(LobbyWindowTest, NoToTheExitQuestionLeavesRoomChatsAndSocket)
{
    Start();
    m_lobby->show();
    Hello(MakeUser("peer", "127.0.0.2"));
    m_lobby->OnCreateRoom();
    m_lobby->OpenChatWith("peer 127.0.0.2");
    TakeSent();
    ASSERT_NE(m_lobby->Rooms().Window(), nullptr);
    ASSERT_EQ(m_lobby->ChatWindows().size(), 1u);

    m_boxes.Expect(false);
    m_lobby->ExitAction()->trigger();
    EXPECT_EQ(m_boxes.LastText(), LobbyText::ConfirmExit());
    EXPECT_TRUE(m_boxes.Shown().back().question);
    m_boxes.Expect(false);
    m_lobby->Tray().ExitAction()->trigger(); // the tray's exit asks the same question
    ASSERT_EQ(m_boxes.Shown().size(), 2u);
    EXPECT_EQ(m_boxes.LastText(), LobbyText::ConfirmExit());
    EXPECT_TRUE(m_lobby->isVisible());
    EXPECT_FALSE(m_lobby->IsClosed());
    EXPECT_NE(m_lobby->Rooms().Window(), nullptr);
    EXPECT_TRUE(theProfile.m_hosting);
    EXPECT_EQ(m_lobby->ChatWindows().size(), 1u);
    EXPECT_EQ(m_lobby->Endpoint(), &m_endpoint);
    EXPECT_TRUE(TakeSent().empty());
}

TEST_F(LobbyWindowTest, ConfirmedExitClosesRoomThenSaysGoodbyeAndLetsGo)
{
    Start();
    m_lobby->show();
    Hello(MakeUser("me", "127.0.0.1"));
    Hello(MakeUser("peer", "127.0.0.2"));
    m_lobby->OnCreateRoom();
    m_lobby->OpenChatWith("peer 127.0.0.2");
    QPointer<CRoomDlg> room = m_lobby->Rooms().Window();
    QPointer<QDialog> chat = m_lobby->ChatWindows()[0];
    TakeSent();

    m_boxes.Expect(true);
    m_lobby->close();
    const auto sent = TakeSent();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0].decoded.type, PT_ROOM_CLOSED);
    EXPECT_EQ(sent[1].decoded.type, PT_ROOM_CLOSED);
    EXPECT_EQ(sent[2].decoded.type, PT_BYE); // the room was closed first, so a plain goodbye
    EXPECT_EQ(sent[2].ip, "127.0.0.1");
    EXPECT_EQ(sent[3].ip, "127.0.0.2");
    EXPECT_TRUE(m_lobby->IsClosed());
    EXPECT_FALSE(m_lobby->isVisible());
    EXPECT_EQ(m_lobby->Endpoint(), nullptr);
    EXPECT_FALSE(theProfile.m_hosting);
    EXPECT_TRUE(m_lobby->ChatWindows().empty());
    SettleDeletes();
    EXPECT_TRUE(room.isNull());
    EXPECT_TRUE(chat.isNull());
}

TEST_F(LobbyWindowTest, PortTakenReportsAndEndsWithoutQuestionAfterStartingSender)
{
    m_lobby->UseEndpointForTesting(&m_endpoint, false);
    m_boxes.Expect();
    m_lobby->OnInitDialog();
    EXPECT_EQ(m_boxes.LastText(), LobbyText::PortFailed());
    EXPECT_EQ(m_boxes.Shown().back().icon, BoxIcon::Exclamation);
    EXPECT_EQ(m_started.size(), 1u);
    QApplication::processEvents();
    EXPECT_TRUE(m_lobby->IsClosed());
    EXPECT_EQ(m_boxes.Shown().size(), 1u);
}

TEST_F(LobbyWindowTest, MissingSenderReportsAndEnds)
{
    std::snprintf(g_szSenderPath, sizeof g_szSenderPath, "%s", m_dir.File("Nothing").c_str());
    m_boxes.Expect();
    m_lobby->OnInitDialog();
    EXPECT_EQ(m_boxes.LastText(), LobbyText::SenderMissing());
    EXPECT_TRUE(m_started.empty());
    QApplication::processEvents();
    EXPECT_TRUE(m_lobby->IsClosed());
}

TEST_F(LobbyWindowTest, ConfirmedRenameClosesWithoutTheExitQuestion)
{
    Start();
    Hello(MakeUser("me", "127.0.0.1"));
    TakeSent();
    m_boxes.Expect(true); // the restart question
    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<CSettingsDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        dlg->NameEdit()->setText(QStringLiteral("newname"));
        dlg->OkButton()->click();
    });
    m_lobby->SettingsAction()->trigger();
    EXPECT_TRUE(m_lobby->IsClosed());
    EXPECT_EQ(m_boxes.Shown().size(), 1u);
    const auto sent = TakeSent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].decoded.type, PT_BYE);
    EXPECT_EQ(FieldText(sent[0].decoded.user.nick), "newname");
}

TEST_F(LobbyWindowTest, ShutDownWhileNotReadySaysGoodbyeWithoutAsking)
{
    Start(false);
    Hello(MakeUser("peer", "127.0.0.2"));
    TakeSent();
    m_lobby->ShutDown();
    EXPECT_TRUE(m_lobby->IsClosed());
    EXPECT_TRUE(m_boxes.Shown().empty());
    const auto sent = TakeSent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].decoded.type, PT_BYE);
    m_lobby->ShutDown(); // once only
    m_lobby->close();
    EXPECT_TRUE(TakeSent().empty());
}

TEST_F(LobbyWindowTest, TerminationWhileTheExitQuestionIsOpenEndsItAndCloses)
{
    Start();
    m_lobby->show();
    Hello(MakeUser("peer", "127.0.0.2"));
    TakeSent();
    SetBoxResponder(nullptr); // a real question box, with its own nested loop
    QTimer::singleShot(50, m_lobby.get(), [this] {
        ASSERT_NE(QApplication::activeModalWidget(), nullptr);
        m_lobby->ShutDown();
    });
    m_lobby->close();
    SetBoxResponder(&m_boxes);
    EXPECT_TRUE(m_lobby->IsClosed());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    const auto sent = TakeSent();
    ASSERT_EQ(sent.size(), 1u); // one goodbye, not two
    EXPECT_EQ(sent[0].decoded.type, PT_BYE);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
