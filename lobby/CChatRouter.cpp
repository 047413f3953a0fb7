#include "CChatRouter.h"

#include "CLobbyLists.h"
#include "CPrivateChatDlg.h"
#include "ILobby.h"
#include "LobbyPaths.h"
#include "LobbyTexts.h"
#include "MessageBox.h"
#include "Profile.h"
#include "Sound.h"

CChatRouter::CChatRouter(QWidget* lobbyWindow, ILobby& lobby, CLobbyLists& lists)
    : m_pLobbyWindow(lobbyWindow), m_lobby(lobby), m_lists(lists)
{
    m_makeWindow = [](QWidget* parent) { return new CPrivateChatDlg(parent); };
    m_playSound = [] { PlaySoundAsync(g_szSoundPath); };
}

CChatRouter::~CChatRouter() = default;

CPrivateChatDlg* CChatRouter::FindWindow(const UserEntry& peer) const
{
    for (CPrivateChatDlg* w : m_windows) {
        if (SameUser(w->m_peer, peer))
            return w;
    }
    return nullptr;
}

CPrivateChatDlg* CChatRouter::MakeWindow(const UserEntry& peer)
{
    CPrivateChatDlg* w = m_makeWindow(m_pLobbyWindow);
    if (!w)
        return nullptr;
    m_windows.push_back(w);
    w->m_peer = peer;
    w->m_pLobby = &m_lobby;
    return w;
}

void CChatRouter::OpenChatWith(const std::string& key)
{
    const UserEntry* found = m_lists.FindUserByKey(key);
    if (!found)
        return;
    const UserEntry peer = *found;
    if (SameUser(peer, theProfile.m_self))
        return; // no conversation with oneself
    if (CPrivateChatDlg* w = FindWindow(peer)) {
        // Hidden and shown again: brought up with its show-time handling.
        w->hide();
        w->show();
        w->raise();
        w->activateWindow();
        return;
    }
    CPrivateChatDlg* w = MakeWindow(peer);
    if (!w) {
        ShowMessage(m_pLobbyWindow, LobbyText::ChatWindowFailed());
        return;
    }
    w->show();
}

bool CChatRouter::SendPrivate(const UserEntry& peer, const std::string& text)
{
    if (!m_lists.ContainsUser(peer))
        return false;
    m_lobby.SendTo(EncodeUserText(PT_PRIVATE_MSG, theProfile.m_self, text),
                   FieldText(peer.ip).c_str());
    return true;
}

void CChatRouter::OnPrivateMessage(const UserEntry& sender, const std::string& text)
{
    if (!m_lists.ContainsUser(sender))
        return; // not heard of: dropped without a trace
    CPrivateChatDlg* w = FindWindow(sender);
    if (w) {
        if (w->isVisible()) {
            w->show();
        } else {
            w->m_bUnread = true;
            if (m_recount)
                m_recount();
        }
        w->ShowPrivateLine(sender, text);
    } else {
        // A new window stays hidden: the notifier leads the user to it.
        w = MakeWindow(sender);
        if (!w)
            return;
        w->m_bUnread = true;
        w->ShowPrivateLine(sender, text);
        if (m_recount)
            m_recount();
    }
    // Hidden, or on screen behind another program's window.
    if (m_unseenLine && (!w->isVisible() || !w->isActiveWindow()))
        m_unseenLine(w, sender, text);
    if (m_playSound)
        m_playSound();
}

void CChatRouter::DestroyAll()
{
    std::vector<CPrivateChatDlg*> windows;
    windows.swap(m_windows);
    for (CPrivateChatDlg* w : windows) {
        w->hide();
        w->deleteLater();
    }
}
