// The lobby's user and room directories as datagrams drive them: who gets listed, who
// gets answered and where, goodbyes, and the room list's rules.

#include "CPrivateChatDlg.h"
#include "CRoomDlg.h"
#include "LobbyFixture.h"
#include "LobbyTestUtil.h"
#include "LobbyTexts.h"

#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QTextDocument>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QWindow>

#include <memory>

using namespace lobbytest;

namespace {

// A room window that remembers who left, so the lobby's hand-over can be seen.
class SpyRoomDlg : public CRoomDlg {
public:
    explicit SpyRoomDlg(QWidget* parent) : CRoomDlg(parent) {}
    void OnMemberLeave(const UserEntry& leaver) override { leavers.push_back(leaver); }
    std::vector<UserEntry> leavers;
};

class UserDirectoryTest : public LobbyTest {
protected:
    int UserRows() const { return m_lobby->UserList()->model()->rowCount(); }
    QString UserRow(int row) const
    {
        return m_lobby->UserList()->model()->index(row, 0).data().toString();
    }
    // Each row's text and icon, to compare with what a rebuild shows.
    QStringList Shown() const
    {
        QStringList rows;
        const QAbstractItemModel* model = m_lobby->UserList()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex i = model->index(row, 0);
            rows << i.data().toString() + QString::number(i.data(Qt::DecorationRole)
                                                              .value<QIcon>()
                                                              .cacheKey());
        }
        return rows;
    }
    QStringList Listed() const
    {
        QStringList keys;
        for (const UserEntry& u : theProfile.m_users)
            keys << FromGbk(UserKey(u));
        return keys;
    }
};

TEST_F(UserDirectoryTest, HelloIsListedAndAnsweredAtTheRecordsAddressOnce)
{
    Start();
    const UserEntry peer = MakeUser("peer", "127.0.0.9", 1);
    Hello(peer);
    ASSERT_EQ(UserRows(), 1);
    EXPECT_EQ(UserRow(0), QStringLiteral("peer 127.0.0.9"));
    auto sent = TakeSent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].ip, "127.0.0.9");
    EXPECT_EQ(sent[0].decoded.type, PT_HELLO_ACK);
    EXPECT_TRUE(SameUser(sent[0].decoded.user, theProfile.m_self));

    Hello(peer); // already listed: not added, not answered
    Deliver(EncodeUser(PT_HELLO_ACK, peer));
    EXPECT_EQ(UserRows(), 1);
    EXPECT_TRUE(TakeSent().empty());
}

TEST_F(UserDirectoryTest, SameNickAndAddressWithOtherSexIsASecondRow)
{
    Start();
    Hello(MakeUser("twin", "127.0.0.5", 0));
    Hello(MakeUser("twin", "127.0.0.5", 1));
    ASSERT_EQ(UserRows(), 2);
    EXPECT_EQ(UserRow(0), UserRow(1));
    EXPECT_EQ(TakeSent().size(), 2u);
}

TEST_F(UserDirectoryTest, AnswerIsOnlyAddedAndOwnHelloListsTheUser)
{
    Start(false); // answers and hellos are handled before the gate opens
    Deliver(EncodeUser(PT_HELLO_ACK, MakeUser("old", "127.0.0.4")));
    Hello(theProfile.m_self);
    ASSERT_EQ(UserRows(), 2);
    EXPECT_EQ(UserRow(1), QStringLiteral("me 127.0.0.1"));
    const auto sent = TakeSent();
    ASSERT_EQ(sent.size(), 1u); // the own hello is answered, to itself
    EXPECT_EQ(sent[0].ip, "127.0.0.1");
}

TEST_F(UserDirectoryTest, HostAnswersHelloWithItsRoom)
{
    Start();
    m_lobby->OnCreateRoom();
    TakeSent();
    Hello(MakeUser("newcomer", "127.0.0.7"));
    const auto sent = TakeSent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].decoded.type, PT_ROOM_INFO);
    EXPECT_EQ(sent[0].ip, "127.0.0.7");
    EXPECT_EQ(FieldText(sent[0].decoded.room.name), "myroom");
    EXPECT_EQ(FieldText(sent[0].decoded.room.intro), "my intro");
}

TEST_F(UserDirectoryTest, GoodbyeRemovesFirstMatchOnlyAndUnknownChangesNothing)
{
    Start();
    const UserEntry a = MakeUser("a", "127.0.0.2");
    const UserEntry b = MakeUser("b", "127.0.0.3");
    Hello(a);
    Hello(b);
    Hello(MakeUser("c", "127.0.0.4"));
    Deliver(EncodeUser(PT_BYE, MakeUser("b", "127.0.0.3", 1))); // other sex: not listed
    EXPECT_EQ(UserRows(), 3);
    Deliver(EncodeUser(PT_BYE, b));
    ASSERT_EQ(UserRows(), 2);
    EXPECT_EQ(UserRow(0), QStringLiteral("a 127.0.0.2"));
    EXPECT_EQ(UserRow(1), QStringLiteral("c 127.0.0.4"));
    Hello(b); // known again after leaving
    EXPECT_EQ(UserRows(), 3);
}

TEST_F(UserDirectoryTest, RowByRowChangesShowWhatARebuildShowsAndKeepTheSelection)
{
    Start();
    int resets = 0;
    QObject::connect(m_lobby->UserList()->model(), &QAbstractItemModel::modelAboutToBeReset,
                     [&] { ++resets; });
    const UserEntry a = MakeUser("a", "127.0.0.2");
    const UserEntry b = MakeUser("b", "127.0.0.3");
    const UserEntry twin = MakeUser("b", "127.0.0.3", 1);
    const UserEntry c = MakeUser("c", "127.0.0.4");
    const UserEntry d = MakeUser("d", "127.0.0.5", 1);
    Hello(a);
    Hello(b);
    Deliver(EncodeUser(PT_HELLO_ACK, twin));
    Hello(c);
    Hello(b);                                              // duplicate
    Deliver(EncodeUser(PT_BYE, MakeUser("b", "127.0.0.3", 2))); // unknown sex
    Deliver(EncodeUser(PT_BYE, b));                        // first of the shared key
    Deliver(EncodeRoom(PT_ROOM_INFO, MakeRoom("r", d)));   // creator made known
    Hello(b);                                              // back, at the end
    EXPECT_EQ(Listed(), (QStringList{"a 127.0.0.2", "b 127.0.0.3", "c 127.0.0.4",
                                     "d 127.0.0.5", "b 127.0.0.3"}));
    QStringList texts;
    for (int row = 0; row < UserRows(); ++row)
        texts << UserRow(row);
    EXPECT_EQ(texts, Listed());
    EXPECT_EQ(resets, 0);
    const QStringList before = Shown();
    m_lobby->RefreshUserList();
    EXPECT_EQ(Shown(), before);

    // The selected user stays selected while a row before it goes, and goes with its row.
    m_lobby->UserList()->selectionModel()->setCurrentIndex(
        m_lobby->UserList()->model()->index(2, 0), QItemSelectionModel::ClearAndSelect); // c
    Deliver(EncodeUser(PT_BYE, a));
    EXPECT_EQ(m_lobby->UserList()->currentIndex().row(), 1);
    m_lobby->OnDblclkUserList();
    ASSERT_EQ(m_lobby->ChatWindows().size(), 1u);
    EXPECT_TRUE(SameUser(m_lobby->ChatWindows()[0]->m_peer, c));
    Deliver(EncodeUser(PT_BYE, c));
    EXPECT_TRUE(m_lobby->UserList()->selectionModel()->selectedIndexes().isEmpty());
    m_lobby->OnDblclkUserList(); // nothing selected: no second window
    EXPECT_EQ(m_lobby->ChatWindows().size(), 1u);
    EXPECT_EQ(Listed(), (QStringList{"b 127.0.0.3", "d 127.0.0.5", "b 127.0.0.3"}));
    EXPECT_EQ(UserRow(0), QStringLiteral("b 127.0.0.3")); // the twin, female icon
    EXPECT_EQ(Shown()[0], before[1]);
    EXPECT_EQ(resets, 1); // only the explicit refresh
}

TEST_F(UserDirectoryTest, UserListPlacesRowsInLinesAndFindsTheRowUnderTheMouse)
{
    Start();
    m_lobby->show();
    for (int i = 0; i < 300; ++i)
        Deliver(EncodeUser(PT_HELLO_ACK, MakeUser(("u" + std::to_string(i)).c_str(),
                                                  "127.0.1.1", i % 2)));
    QApplication::processEvents(); // the delayed layout
    QListView* view = m_lobby->UserList();
    const QAbstractItemModel* model = view->model();
    int columns = 1;
    while (view->visualRect(model->index(columns, 0)).top() ==
           view->visualRect(model->index(0, 0)).top())
        ++columns;
    ASSERT_GT(columns, 1);
    EXPECT_EQ(view->visualRect(model->index(columns, 0)).left(),
              view->visualRect(model->index(0, 0)).left());
    for (int row : {0, 1, columns - 1, columns, columns + 1})
        EXPECT_EQ(view->indexAt(view->visualRect(model->index(row, 0)).center()).row(), row);
    EXPECT_FALSE(view->indexAt(QPoint(0, 0)).isValid()); // the spacing

    // Keys move by item and by line; the last row is scrolled into view.
    view->setFocus();
    view->setCurrentIndex(model->index(0, 0));
    Key(view, Qt::Key_Down);
    EXPECT_EQ(view->currentIndex().row(), columns);
    Key(view, Qt::Key_Right);
    EXPECT_EQ(view->currentIndex().row(), columns + 1);
    Key(view, Qt::Key_End);
    EXPECT_EQ(view->currentIndex().row(), 299);
    const QRect last = view->visualRect(model->index(299, 0));
    EXPECT_TRUE(view->viewport()->rect().contains(last)) << last.y();

    // A double click opens the chat with the user drawn under the mouse.
    DoubleClick(view->viewport(), view->visualRect(model->index(298, 0)).center());
    ASSERT_EQ(m_lobby->ChatWindows().size(), 1u);
    EXPECT_EQ(FieldText(m_lobby->ChatWindows()[0]->m_peer.nick), "u298");
}

TEST_F(UserDirectoryTest, MarkupInANicknameIsShownAsText)
{
    Start();
    Hello(MakeUser("<img src=/x>", "127.0.0.2"));
    Hello(MakeUser("<b>x</b>&amp;", "127.0.0.3"));
    for (int row = 0; row < 2; ++row) {
        const QModelIndex i = m_lobby->UserList()->model()->index(row, 0);
        QTextDocument tip;
        tip.setHtml(i.data(Qt::ToolTipRole).toString());
        EXPECT_EQ(tip.toPlainText(), i.data().toString());
        EXPECT_EQ(i.data(Qt::AccessibleTextRole), i.data());
    }
    EXPECT_EQ(UserRow(0), QStringLiteral("<img src=/x> 127.0.0.2"));
}

TEST_F(UserDirectoryTest, GoodbyeOfAnyKnownUserReachesTheHostsRoomWindow)
{
    Start();
    SpyRoomDlg* spy = nullptr;
    m_lobby->Rooms().SetWindowFactoryForTesting([&](QWidget* parent) {
        spy = new SpyRoomDlg(parent);
        return spy;
    });
    const UserEntry member = MakeUser("member", "127.0.0.2");
    const UserEntry stranger = MakeUser("stranger", "127.0.0.3");
    Hello(member);
    Hello(stranger);
    m_lobby->OnCreateRoom();
    ASSERT_NE(spy, nullptr);
    Deliver(EncodeUser(PT_BYE, stranger));
    Deliver(EncodeUser(PT_BYE, MakeUser("never", "127.0.0.8"))); // unlisted: nothing
    ASSERT_EQ(spy->leavers.size(), 1u);
    EXPECT_TRUE(SameUser(spy->leavers[0], stranger));
}

TEST_F(UserDirectoryTest, GoodbyeGoesToEveryListedUserIncludingSelf)
{
    Start();
    Hello(theProfile.m_self);
    Hello(MakeUser("x", "127.0.0.2"));
    TakeSent();
    m_lobby->SayGoodbye();
    auto sent = TakeSent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].ip, "127.0.0.1");
    EXPECT_EQ(sent[1].ip, "127.0.0.2");
    EXPECT_EQ(sent[0].decoded.type, PT_BYE);

    m_lobby->OnCreateRoom();
    TakeSent();
    m_lobby->SayGoodbye(); // while hosting: the room goes with its creator
    sent = TakeSent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].decoded.type, PT_HOST_BYE);
    EXPECT_TRUE(SameUser(sent[0].decoded.room.creator, theProfile.m_self));
}

class RoomDirectoryTest : public LobbyTest {
protected:
    struct RealBox {
        QString text;
        QString caption;
        Qt::TextFormat format = Qt::AutoText;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };
    // Runs act with the real message box instead of the script, reads the box as shown and
    // presses its OK button.
    RealBox ShowRealBox(const std::function<void()>& act)
    {
        auto seen = std::make_shared<RealBox>();
        SetBoxResponder(nullptr);
        QTimer::singleShot(0, [seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            ASSERT_NE(label, nullptr);
            *seen = {label->text(), box->windowTitle(), label->textFormat(), box->icon()};
            box->button(QMessageBox::Ok)->click();
        });
        act();
        SetBoxResponder(&m_boxes);
        return *seen;
    }
    QAbstractItemModel* Rooms() const { return m_lobby->RoomList()->model(); }
    QString Cell(int row, int column) const { return Rooms()->index(row, column).data().toString(); }
    void RoomInfoFrom(const RoomInfo& r) { Deliver(EncodeRoom(PT_ROOM_INFO, r)); }
};

TEST_F(RoomDirectoryTest, RoomInfoListsRoomOnceAndMakesCreatorKnownSilently)
{
    Start();
    const UserEntry host = MakeUser("host", "127.0.0.2");
    RoomInfoFrom(MakeRoom("first", host, 3));
    RoomInfoFrom(MakeRoom("renamed", host, 9)); // the same creator: the row stays
    ASSERT_EQ(Rooms()->rowCount(), 1);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("first"));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("3"));
    ASSERT_EQ(theProfile.m_users.size(), 1u);
    EXPECT_TRUE(SameUser(theProfile.m_users[0], host));
    EXPECT_TRUE(TakeSent().empty());
}

TEST_F(RoomDirectoryTest, UpdateChangesListedRoomButKeepsIntroAndIgnoresUnknown)
{
    Start();
    const UserEntry host = MakeUser("host", "127.0.0.2");
    RoomInfoFrom(MakeRoom("talk", host, 0, "old intro"));
    Deliver(EncodeRoom(PT_ROOM_UPDATE, MakeRoom("talk2", host, 4, "new intro")));
    EXPECT_EQ(Cell(0, 0), QStringLiteral("talk2"));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("4"));
    EXPECT_EQ(Cell(0, 3), QStringLiteral("old intro"));
    Deliver(EncodeRoom(PT_ROOM_UPDATE, MakeRoom("ghost", MakeUser("ghost", "127.0.0.9"), 1)));
    EXPECT_EQ(Rooms()->rowCount(), 1);
    EXPECT_EQ(theProfile.m_rooms.size(), 1u);
}

TEST_F(RoomDirectoryTest, RowByRowChangesShowWhatARebuildShowsAndKeepTheSelection)
{
    Start();
    int resets = 0;
    QObject::connect(Rooms(), &QAbstractItemModel::modelAboutToBeReset, [&] { ++resets; });
    auto table = [this] {
        QStringList cells;
        for (int row = 0; row < Rooms()->rowCount(); ++row)
            for (int column = 0; column < Rooms()->columnCount(); ++column)
                cells << Cell(row, column);
        return cells;
    };
    auto icons = [this] {
        QList<qint64> keys;
        for (int row = 0; row < Rooms()->rowCount(); ++row)
            keys << Rooms()->index(row, 0).data(Qt::DecorationRole).value<QIcon>().cacheKey();
        return keys;
    };
    const UserEntry pat = MakeUser("pat", "127.0.0.2");
    const UserEntry patAsGirl = MakeUser("pat", "127.0.0.2", 1);
    const UserEntry kim = MakeUser("kim", "127.0.0.3");
    const UserEntry lee = MakeUser("lee", "127.0.0.4");
    RoomInfoFrom(MakeRoom("his", pat));
    RoomInfoFrom(MakeRoom("hers", patAsGirl));
    RoomInfoFrom(MakeRoom("kims", kim));
    RoomInfoFrom(MakeRoom("lees", lee));
    Deliver(EncodeRoom(PT_ROOM_UPDATE, MakeRoom("hers2", patAsGirl, 5, "ignored")));
    Deliver(EncodeRoom(PT_ROOM_CLOSED, MakeRoom("x", MakeUser("pat", "127.0.0.2", 2))));
    Deliver(EncodeRoom(PT_ROOM_CLOSED, MakeRoom("x", pat)));
    RoomInfoFrom(MakeRoom("back", pat)); // re-announced: at the end
    EXPECT_EQ(table(), (QStringList{"hers2", "pat", "5", "hello", "127.0.0.2",       //
                                    "kims", "kim", "0", "hello", "127.0.0.3",        //
                                    "lees", "lee", "0", "hello", "127.0.0.4",        //
                                    "back", "pat", "0", "hello", "127.0.0.2"}));
    EXPECT_EQ(resets, 0);
    const QStringList before = table();
    const QList<qint64> iconsBefore = icons();
    m_lobby->RefreshRoomList();
    EXPECT_EQ(table(), before);
    EXPECT_EQ(icons(), iconsBefore);
    EXPECT_NE(iconsBefore[0], iconsBefore[3]); // her room, his room

    // Another room closing keeps the selected one; the double click joins it.
    m_lobby->RoomList()->selectRow(2); // lees
    Deliver(EncodeRoom(PT_HOST_BYE, MakeRoom("kims", kim)));
    m_lobby->OnDblclkRoomList();
    ASSERT_NE(m_lobby->Rooms().Window(), nullptr);
    EXPECT_TRUE(SameUser(m_lobby->Rooms().Window()->Room().creator, lee));
    EXPECT_EQ(resets, 1); // only the explicit refresh
}

TEST_F(RoomDirectoryTest, MarkupInARoomIsShownAsText)
{
    Start();
    RoomInfoFrom(MakeRoom("<b>big</b>", MakeUser("<i>me</i>", "127.0.0.2"), 0, "<img src=/x>"));
    for (int column = 0; column < Rooms()->columnCount(); ++column) {
        const QModelIndex i = Rooms()->index(0, column);
        QTextDocument tip;
        tip.setHtml(i.data(Qt::ToolTipRole).toString());
        EXPECT_EQ(tip.toPlainText(), i.data().toString()) << column;
    }
    EXPECT_EQ(Cell(0, 0), QStringLiteral("<b>big</b>"));
    EXPECT_EQ(Cell(0, 3), QStringLiteral("<img src=/x>"));
}

TEST_F(RoomDirectoryTest, OwnRoomDoubleClickedDoesNothing)
{
    Start();
    m_lobby->OnCreateRoom();
    m_lobby->LeaveRoom();
    RoomInfoFrom(theProfile.m_myRoom);
    TakeSent();
    m_lobby->RoomList()->selectRow(0);
    m_lobby->OnDblclkRoomList();
    EXPECT_EQ(m_lobby->Rooms().Window(), nullptr);
    EXPECT_TRUE(TakeSent().empty());
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(RoomDirectoryTest, SameCreatorKeyJoinsTheFirstListedRoom)
{
    Start();
    RoomInfoFrom(MakeRoom("his", MakeUser("pat", "127.0.0.2", 0)));
    RoomInfoFrom(MakeRoom("hers", MakeUser("pat", "127.0.0.2", 1)));
    ASSERT_EQ(Rooms()->rowCount(), 2);
    TakeSent();
    m_lobby->RoomList()->selectRow(1);
    m_lobby->OnDblclkRoomList();
    CRoomDlg* window = m_lobby->Rooms().Window();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->IsHost());
    EXPECT_EQ(window->Room().creator.sex, 0);
    EXPECT_TRUE(theProfile.m_joined);
    const auto sent = TakeSent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].decoded.type, PT_ROOM_JOIN);
    EXPECT_EQ(sent[0].ip, "127.0.0.2");
    EXPECT_TRUE(SameUser(sent[0].decoded.user, theProfile.m_self));

    m_boxes.Expect(); // a second room while in one
    m_lobby->OnDblclkRoomList();
    EXPECT_EQ(m_boxes.LastText(), LobbyText::OneRoomOnly());
    EXPECT_EQ(m_lobby->Rooms().Window(), window);
}

TEST_F(RoomDirectoryTest, HostClosingJoinedRoomEndsItsWindowOtherRoomsOnlyLeaveTheList)
{
    Start();
    const UserEntry host = MakeUser("host", "127.0.0.2");
    const UserEntry other = MakeUser("other", "127.0.0.3");
    // A name that looks like markup, or holds Qt's caption placeholder, is shown as sent.
    const char* joined = "<img src=a>[*";
    RoomInfoFrom(MakeRoom(joined, host));
    RoomInfoFrom(MakeRoom("elsewhere", other));
    m_lobby->Rooms().JoinRoom(theProfile.m_rooms[0]);
    QPointer<CRoomDlg> window = m_lobby->Rooms().Window();
    ASSERT_NE(window->windowHandle(), nullptr);
    EXPECT_EQ(window->windowHandle()->title(), QStringLiteral("房间:[<img src=a>[*]"));

    Deliver(EncodeRoom(PT_ROOM_CLOSED, MakeRoom("elsewhere", other)));
    EXPECT_EQ(Rooms()->rowCount(), 1);
    EXPECT_EQ(m_lobby->Rooms().Window(), window.data());

    const RealBox box =
        ShowRealBox([&] { Deliver(EncodeRoom(PT_HOST_BYE, MakeRoom(joined, host))); });
    EXPECT_EQ(box.text, LobbyText::RoomClosed(QString::fromUtf8(joined)));
    EXPECT_EQ(box.format, Qt::PlainText);
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_EQ(box.caption, ApplicationCaption());
    EXPECT_EQ(Rooms()->rowCount(), 0);
    EXPECT_EQ(m_lobby->Rooms().Window(), nullptr);
    EXPECT_FALSE(theProfile.m_joined);
    EXPECT_EQ(theProfile.m_users.size(), 1u); // the host's goodbye removed the host
    SettleDeletes();
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(m_lobby->Rooms().CanEnterRoom());
}

TEST_F(RoomDirectoryTest, CreateLeaveAndRejoinMoveBetweenRoomStates)
{
    Start();
    Hello(MakeUser("a", "127.0.0.2"));
    Hello(MakeUser("b", "127.0.0.3"));
    TakeSent();
    m_lobby->CreateRoomButton()->click();
    ASSERT_TRUE(theProfile.m_hosting);
    EXPECT_TRUE(m_lobby->Rooms().Window()->IsHost());
    auto sent = TakeSent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].decoded.type, PT_ROOM_INFO);
    EXPECT_EQ(sent[1].ip, "127.0.0.3");

    m_lobby->AnnounceRoomUpdate();
    EXPECT_EQ(TakeSent().size(), 2u);
    m_lobby->LeaveRoom();
    sent = TakeSent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].decoded.type, PT_ROOM_CLOSED);
    EXPECT_FALSE(theProfile.m_hosting);

    RoomInfoFrom(MakeRoom("theirs", MakeUser("a", "127.0.0.2")));
    m_lobby->Rooms().JoinRoom(theProfile.m_rooms[0]);
    TakeSent();
    m_lobby->LeaveRoom(); // a member leaves by telling the creator only
    sent = TakeSent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].decoded.type, PT_ROOM_LEAVE);
    EXPECT_EQ(sent[0].ip, "127.0.0.2");
    EXPECT_TRUE(m_lobby->Rooms().CanEnterRoom());
}

TEST_F(RoomDirectoryTest, CancelledSetupAndFailedWindowLeaveTheStateFree)
{
    Start();
    m_lobby->Rooms().SetSetupRunnerForTesting([] { return 0; });
    m_lobby->OnCreateRoom();
    EXPECT_TRUE(m_lobby->Rooms().CanEnterRoom());
    EXPECT_TRUE(m_boxes.Shown().empty());

    m_lobby->Rooms().SetSetupRunnerForTesting([] { return 100; });
    m_lobby->Rooms().SetWindowFactoryForTesting([](QWidget*) { return nullptr; });
    m_boxes.Expect();
    m_lobby->OnCreateRoom();
    EXPECT_EQ(m_boxes.LastText(), LobbyText::WindowFailed());
    EXPECT_FALSE(theProfile.m_hosting);
    EXPECT_TRUE(TakeSent().empty());
}

TEST_F(RoomDirectoryTest, RoomWindowDestroyedWhileABoxIsOpenIsNeverUsedAgain)
{
    Start();
    const UserEntry host = MakeUser("host", "127.0.0.2");
    RoomInfoFrom(MakeRoom("r", host));
    m_lobby->Rooms().JoinRoom(theProfile.m_rooms[0]);
    QPointer<CRoomDlg> window = m_lobby->Rooms().Window();

    ActingBoxes acting;
    SetBoxResponder(&acting);
    acting.whileOpen = [&] {
        Deliver(EncodeRoom(PT_ROOM_CLOSED, MakeRoom("r", host)));
        SettleDeletes();
    };
    m_lobby->OnCreateRoom(); // "one room only" is open when the host closes the room
    ASSERT_EQ(acting.texts.size(), 2u);
    EXPECT_EQ(acting.texts[0], LobbyText::OneRoomOnly());
    EXPECT_EQ(acting.texts[1], LobbyText::RoomClosed(QStringLiteral("r")));
    EXPECT_EQ(m_lobby->RoomWindow(), nullptr);
    Deliver(EncodeUserText(PT_ROOM_SAY, host, "late line")); // dropped, no window
    m_lobby->LeaveRoom();
    EXPECT_EQ(TakeSent().size(), 1u); // only the join; leaving a free state sends nothing
    SetBoxResponder(&m_boxes);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
