#pragma once
// The lobby's side of private conversations: one window per peer, created on demand
// and kept until the lobby closes; arriving messages routed to their window, marked
// unread while it is hidden, and announced with a sound.

#include "Records.h"

#include <functional>
#include <string>
#include <vector>

class CLobbyLists;
class CPrivateChatDlg;
class ILobby;
class QWidget;

class CChatRouter {
public:
    using WindowFactory = std::function<CPrivateChatDlg*(QWidget* parent)>;
    using LineHandler =
        std::function<void(CPrivateChatDlg* window, const UserEntry& sender, const std::string&)>;

    CChatRouter(QWidget* lobbyWindow, ILobby& lobby, CLobbyLists& lists);
    ~CChatRouter();

    // What makes the notifier count the unread windows again.
    void SetRecount(std::function<void()> recount) { m_recount = std::move(recount); }
    // Who hears of a line that reached a window the user is not looking at.
    void SetUnseenLine(LineHandler handler) { m_unseenLine = std::move(handler); }

    void OpenChatWith(const std::string& key);
    bool SendPrivate(const UserEntry& peer, const std::string& text);
    void OnPrivateMessage(const UserEntry& sender, const std::string& text);

    const std::vector<CPrivateChatDlg*>& Windows() const { return m_windows; }
    // Hides every window and lets it be deleted once control is back in the event loop.
    void DestroyAll();

    // Tests: how windows are made (nullptr stands for a failed creation) and how the
    // message sound is played.
    void SetWindowFactoryForTesting(WindowFactory factory) { m_makeWindow = std::move(factory); }
    void SetSoundForTesting(std::function<void()> play) { m_playSound = std::move(play); }

private:
    CPrivateChatDlg* FindWindow(const UserEntry& peer) const;
    CPrivateChatDlg* MakeWindow(const UserEntry& peer);

    QWidget* m_pLobbyWindow;
    ILobby& m_lobby;
    CLobbyLists& m_lists;
    std::vector<CPrivateChatDlg*> m_windows;
    WindowFactory m_makeWindow;
    std::function<void()> m_recount;
    LineHandler m_unseenLine;
    std::function<void()> m_playSound;
};
