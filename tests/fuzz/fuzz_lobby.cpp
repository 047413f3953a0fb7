// A real lobby with its room window, private windows and notifier, offscreen, driven by a
// script of datagrams and user actions read from the input. Message boxes answer Yes and
// No in turn and can run further steps while they are open, as datagrams arrive inside
// a real box's nested loop. After each step the lists, the room state and the windows
// must still agree with each other.
#include "CChatRouter.h"
#include "CLobbyDlg.h"
#include "CLobbyLists.h"
#include "CMessageNotifier.h"
#include "CPrivateChatDlg.h"
#include "CRoomActions.h"
#include "CRoomDlg.h"
#include "ChatLogExport.h"
#include "GbkText.h"
#include "IChatEndpoint.h"
#include "LobbyPaths.h"
#include "LobbyScript.h"
#include "MessageBox.h"
#include "Profile.h"
#include "TempAppDir.h"

#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPointer>
#include <QTableView>
#include <QTableWidget>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

namespace {

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz_lobby: invariant broken: %s\n", what);
    std::abort();
}

class RecordingEndpoint : public IChatEndpoint {
public:
    void SendTo(const Packet& packet, const char* ip) override
    {
        Datagram d;
        if (!DecodeDatagram(packet.bytes, PACKET_SIZE, d) || ip == nullptr)
            Fail("a datagram sent that its receivers cannot decode");
        ++sent;
    }
    size_t sent = 0;
};

// Runs fn as one event of a running loop, and lets that loop delete what fn gave up
// with deleteLater before it returns: the way a handler runs inside the lobby's loop or
// inside the nested loop of a modal box. Objects given up outside fn survive it.
void RunInLoop(const std::function<void()>& fn)
{
    QEventLoop loop;
    QMetaObject::invokeMethod(
        &loop,
        [&] {
            fn();
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    loop.exec();
}

struct Harness;
Harness* g_h = nullptr;

class TurnBoxes : public IBoxResponder {
public:
    bool Answer(const BoxRecord& box) override;
    bool nextAnswer = true;
    int nestedSteps = 0;
    int depth = 0;
};

struct Harness {
    std::unique_ptr<TempAppDir> dir;
    RecordingEndpoint endpoint;
    TurnBoxes boxes;
    CLobbyDlg* lobby = nullptr;
    LobbyScript* script = nullptr;
    int setupResult = 100;
    bool failWindows = false;
    bool saveToFile = false;
    int paints = 0;
    unsigned long statHosting = 0, statJoined = 0, statChats = 0, statNested = 0, statPaints = 0;

    void MakeLobby();
    void Reset();
    void Step(bool modal);
    void WhileModal();
    void Check();
    LobbyScript::Scene Scene() const;
    void RoomWindowAction(CRoomDlg* w, uint8_t what);
    void ChatWindowAction(uint8_t what);
    void OpenWindows(uint8_t op, const std::function<void()>& open);
};

bool TurnBoxes::Answer(const BoxRecord&)
{
    const bool answer = nextAnswer;
    nextAnswer = !nextAnswer;
    g_h->WhileModal();
    return answer;
}

// A modal box or dialog blocks the user's input but not the socket: the datagrams the
// script asked for arrive while it is open.
void Harness::WhileModal()
{
    if (boxes.nestedSteps <= 0 || boxes.depth >= 3 || !script)
        return;
    const int n = boxes.nestedSteps;
    boxes.nestedSteps = 0;
    ++boxes.depth;
    ++statNested;
    RunInLoop([this, n] {
        for (int i = 0; i < n && !script->AtEnd(); ++i)
            Step(true);
    });
    --boxes.depth;
}

// Windows count as shown, with their show and hide handling, but are not mapped.
template <typename W> W* Unpainted(W* w)
{
    if (w)
        w->setAttribute(Qt::WA_DontShowOnScreen);
    return w;
}

// The offscreen platform still repaints unmapped windows after every change, and that
// cost four times the logic. Repaints happen only when the script asks for one.
class NoRepaints : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* e) override { return e->type() == QEvent::UpdateRequest; }
};

// Into one canvas kept for the run: a fresh image per paint cost more in page faults than
// the painting itself.
void PaintEveryWindow()
{
    static QImage canvas(1280, 1024, QImage::Format_ARGB32_Premultiplied);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            w->render(&canvas);
}

void Harness::MakeLobby()
{
    lobby = Unpainted(new CLobbyDlg);
    lobby->UseEndpointForTesting(&endpoint, true);
    lobby->SetProgramStarterForTesting([](const std::string&) { return true; });
    lobby->Rooms().SetSetupRunnerForTesting([this] {
        WhileModal();
        return setupResult;
    });
    lobby->Rooms().SetWindowFactoryForTesting([this](QWidget* parent) {
        return failWindows ? nullptr : Unpainted(new CRoomDlg(parent));
    });
    lobby->Chats().SetWindowFactoryForTesting([this](QWidget* parent) {
        return failWindows ? nullptr : Unpainted(new CPrivateChatDlg(parent));
    });
    lobby->Chats().SetSoundForTesting([] {});
    lobby->OnInitDialog();
    lobby->OnLoginSent();
}

// Back to an empty lobby through its own operations, so that whatever index the lists
// keep stays in step; a fresh lobby only after the script closed the old one.
void Harness::Reset()
{
    boxes.nestedSteps = 0;
    paints = 0;
    setupResult = 100;
    failWindows = false;
    saveToFile = false;
    // LINQUO_FUZZ_FRESH_LOBBY=1 builds a lobby per input, to compare the speed of both ways.
    static const bool fresh = std::getenv("LINQUO_FUZZ_FRESH_LOBBY") != nullptr;
    if (fresh || lobby->IsClosed()) {
        delete lobby;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        theProfile.m_users.clear();
        theProfile.m_rooms.clear();
        MakeLobby();
    }
    lobby->Rooms().DestroyWindow();
    theProfile.m_hosting = false;
    theProfile.m_joined = false;
    lobby->Chats().DestroyAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    lobby->Notifier()->Recount();
    while (!theProfile.m_rooms.empty()) {
        const size_t before = theProfile.m_rooms.size();
        lobby->OnRoomClosed(RoomInfo(theProfile.m_rooms.front()));
        if (theProfile.m_rooms.size() != before - 1)
            Fail("a listed room that its own closing does not remove");
    }
    while (!theProfile.m_users.empty()) {
        const size_t before = theProfile.m_users.size();
        lobby->OnBye(UserEntry(theProfile.m_users[0]));
        if (theProfile.m_users.size() != before - 1)
            Fail("a listed user that its own goodbye does not remove");
    }
    boxes.nextAnswer = true;
    theProfile.m_self = UserEntry();
    SetField(theProfile.m_self.nick, GbkFromUtf8("我"));
    theProfile.m_myRoom = RoomInfo();
    theProfile.m_myRoom.creator = theProfile.m_self;
    Check();
}

LobbyScript::Scene Harness::Scene() const
{
    LobbyScript::Scene s;
    s.users = &theProfile.m_users;
    s.rooms = &theProfile.m_rooms;
    if (CRoomDlg* w = lobby->Rooms().Window()) {
        s.members = &w->Members();
        s.windowRoom = &w->Room();
    }
    for (const CPrivateChatDlg* c : lobby->ChatWindows())
        s.chatPeers.push_back(c->m_peer);
    return s;
}

void SelectRow(QAbstractItemView* view, int row)
{
    QAbstractItemModel* model = view->model();
    view->clearSelection();
    if (model->rowCount() > 0)
        view->selectionModel()->select(model->index(row % model->rowCount(), 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void Harness::RoomWindowAction(CRoomDlg* w, uint8_t what)
{
    QPointer<CRoomDlg> room(w);
    switch (what % 6) {
    case 0:
        w->OnClose(); // the question, answered in turn
        break;
    case 1:
        lobby->LeaveRoom();
        break;
    case 2:
        SelectRow(w->MemberList(), script->Byte());
        w->OnClickMemberList();
        break;
    case 3:
        SelectRow(w->MemberList(), script->Byte());
        w->OnDblclkMemberList();
        break;
    case 4:
        w->InputLine()->setText(FromGbk(GbkCut(script->Text(), 200)));
        w->OnSend();
        break;
    default:
        saveToFile = (what & 0x80) != 0;
        w->OnSaveLog();
        if (room)
            w->OnClear();
        break;
    }
}

void Harness::ChatWindowAction(uint8_t what)
{
    const auto& windows = lobby->ChatWindows();
    const uint8_t which = script->Byte();
    if (windows.empty())
        return;
    CPrivateChatDlg* w = windows[which % windows.size()];
    if (what % 2 == 0) {
        w->InputLine()->setText(FromGbk(GbkCut(script->Text(), 200)));
        w->OnSend();
    } else {
        w->close();
    }
}

// Runs a command that opens a window; an op with its top three bits set makes the window
// fail to be made, as when the system is out of resources.
void Harness::OpenWindows(uint8_t op, const std::function<void()>& open)
{
    failWindows = (op & 0xE0) == 0xE0;
    open();
    failWindows = false;
}

void Harness::Step(bool modal)
{
    const uint8_t op = script->Byte();
    switch (modal ? op % 5 : op % 12) {
    case 0:
    case 1:
    case 2:
    case 3: {
        const Packet p = script->Datagram(Scene());
        lobby->OnDatagram(p.Data(), PACKET_SIZE);
        break;
    }
    case 4: {
        const std::string raw = script->RawDatagram();
        lobby->OnDatagram(raw.data(), raw.size());
        break;
    }
    case 5:
        setupResult = (op & 0x10) ? 0 : 100;
        OpenWindows(op, [this] { lobby->OnCreateRoom(); });
        break;
    case 6:
        SelectRow(lobby->RoomList(), script->Byte());
        OpenWindows(op, [this] { lobby->OnDblclkRoomList(); });
        break;
    case 7:
        SelectRow(lobby->UserList(), script->Byte());
        OpenWindows(op, [this] { lobby->OnDblclkUserList(); });
        break;
    case 8: {
        // A click on the notifier's text opens the first waiting window and recounts.
        CMessageNotifier* n = lobby->Notifier();
        const QPointF at = n->TextBox().center();
        QMouseEvent press(QEvent::MouseButtonPress, at, n->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(n, &press);
        int unread = 0;
        for (const CPrivateChatDlg* c : lobby->ChatWindows())
            unread += c->m_bUnread ? 1 : 0;
        if (n->Count() != unread)
            Fail("the notifier's count after a click differs from the unread windows");
        break;
    }
    case 9:
        if (CRoomDlg* w = lobby->Rooms().Window())
            RoomWindowAction(w, script->Byte());
        break;
    case 10:
        ChatWindowAction(op >> 4);
        break;
    default:
        if (op >= 0xF0) {
            lobby->OnExitCommand(); // the question decides
        } else if (op == 0xEF) {
            // A paint costs more than many steps: a few per input, or the fuzzer learns
            // to repeat it and an input takes seconds.
            if (paints++ < 4) {
                PaintEveryWindow();
                ++statPaints;
            }
        } else {
            boxes.nestedSteps = 1 + (op >> 4) % 4;
        }
        break;
    }
}

void Harness::Check()
{
    const auto& users = theProfile.m_users;
    const auto& rooms = theProfile.m_rooms;
    CLobbyLists& lists = lobby->Lists();
    for (size_t i = 0; i < users.size(); ++i) {
        for (size_t j = i + 1; j < users.size(); ++j)
            if (SameUser(users[i], users[j]))
                Fail("the user list holds the same user twice");
        // The lookups' indexes must follow the list they index.
        const UserEntry* first = lists.FindUserByKey(UserKey(users[i]));
        if (!lists.ContainsUser(users[i]) || !first || first > &users[i] ||
            UserKey(*first) != UserKey(users[i]))
            Fail("a listed user that the lookups do not find first");
    }
    for (size_t i = 0; i < rooms.size(); ++i)
        for (size_t j = i + 1; j < rooms.size(); ++j)
            if (SameUser(rooms[i].creator, rooms[j].creator))
                Fail("the room list holds one creator's room twice");
    if (static_cast<size_t>(lobby->UserList()->model()->rowCount()) != users.size())
        Fail("the user list view's rows differ from the users");
    if (static_cast<size_t>(lobby->RoomList()->model()->rowCount()) != rooms.size())
        Fail("the room list view's rows differ from the rooms");

    CRoomDlg* w = lobby->Rooms().Window();
    const bool hosting = theProfile.m_hosting, joined = theProfile.m_joined;
    if ((hosting && joined) || ((hosting || joined) != (w != nullptr)))
        Fail("the room flags disagree with the room window");
    if (w && w->IsHost() != hosting)
        Fail("the room window's role disagrees with the room flags");
    if (!hosting && theProfile.m_myRoom.memberCount != 0)
        Fail("a member count on a room that is not hosted");
    if (w) {
        const auto& members = w->Members();
        if (hosting && theProfile.m_myRoom.memberCount != static_cast<int32_t>(members.size()))
            Fail("the hosted room's count differs from its members");
        for (size_t i = 0; i < members.size(); ++i) {
            if (SameUser(members[i], theProfile.m_self))
                Fail("the room window lists its own user");
            for (size_t j = i + 1; j < members.size(); ++j)
                if (SameUser(members[i], members[j]))
                    Fail("the room window lists a member twice");
        }
        QTableWidget* list = w->MemberList();
        if (static_cast<size_t>(list->rowCount()) != members.size() + 1)
            Fail("the member list's rows differ from everybody and the members");
        if (w->Selected() < 0 || w->Selected() > static_cast<int>(members.size()))
            Fail("the addressee is outside the member list");
        for (int row = 0; row < list->rowCount(); ++row) {
            const QTableWidgetItem* item = list->item(row, 0);
            const bool marked =
                item && item->data(CRoomDlg::kImageRole).toInt() == CRoomDlg::kImageMarker;
            if (marked != (row == w->Selected()))
                Fail("the addressee marker is not on the addressee's row alone");
        }
        statHosting += hosting;
        statJoined += joined;
    }

    const auto& chats = lobby->ChatWindows();
    int unread = 0;
    for (size_t i = 0; i < chats.size(); ++i) {
        if (chats[i]->m_bUnread) {
            ++unread;
            if (chats[i]->isVisible())
                Fail("a window on screen is marked unread");
        }
        for (size_t j = i + 1; j < chats.size(); ++j)
            if (SameUser(chats[i]->m_peer, chats[j]->m_peer))
                Fail("two private windows for one peer");
    }
    // The count is recomputed only on arrivals and clicks, so it may lag behind windows
    // read another way, but never below what waits.
    const int count = lobby->Notifier()->Count();
    if (count < unread || count > static_cast<int>(chats.size()))
        Fail("the notifier's count is out of step with the unread windows");
    statChats += chats.size();
}

// The nested-loop emulation must delete what a box's loop would, and only that.
void CheckLoopSemantics()
{
    QPointer<QObject> outer = new QObject;
    QPointer<QObject> inner;
    bool innerGoneInBox = false, outerKeptInBox = false;
    RunInLoop([&] {
        outer->deleteLater();
        RunInLoop([&] {
            inner = new QObject;
            inner->deleteLater();
        });
        innerGoneInBox = inner.isNull();
        outerKeptInBox = !outer.isNull();
    });
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (!innerGoneInBox || !outerKeptInBox || outer)
        Fail("the nested loops do not delete as a box's loop would");
}

// The offscreen platform warns about every raise and size hint; printing that per step
// costs more than the step. Fatal messages still end the run.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        std::abort();
    }
}

void PrintStats()
{
    if (g_h && std::getenv("LINQUO_FUZZ_STATS"))
        std::fprintf(stderr,
                     "fuzz_lobby: steps hosting %lu, joined %lu, chat windows %lu, nested %lu, "
                     "paints %lu\n",
                     g_h->statHosting, g_h->statJoined, g_h->statChats, g_h->statNested,
                     g_h->statPaints);
}

} // namespace

// Fontconfig keeps what it allocates while matching the first fonts for good; leaks of
// our own code are still reported.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_lobby";
    static char* argv[] = {name, nullptr};
    qInstallMessageHandler(QuietMessages);
    new QApplication(argc, argv);
    CheckLoopSemantics();
    qApp->installEventFilter(new NoRepaints);

    g_h = new Harness;
    g_h->dir = std::make_unique<TempAppDir>();
    g_h->dir->Write("Sender", "#!/bin/sh\n");
    std::snprintf(g_szSenderPath, sizeof g_szSenderPath, "%s", g_h->dir->File("Sender").c_str());
    SetBoxResponder(&g_h->boxes);
    SetChatLogPathChooser([](QWidget*) {
        g_h->WhileModal();
        return g_h->saveToFile ? QString::fromStdString(g_h->dir->File("log.txt")) : QString();
    });
    g_h->MakeLobby();
    std::atexit(PrintStats);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Harness& h = *g_h;
    h.Reset();
    LobbyScript script(data, size);
    h.script = &script;
    // A closed lobby takes no more commands: the program is ending.
    while (!script.AtEnd() && !h.lobby->IsClosed()) {
        RunInLoop([&] { h.Step(false); });
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!h.lobby->IsClosed())
            h.Check();
    }
    h.script = nullptr;
    return 0;
}
