#pragma once
// Tells the user about private lines that arrive while their conversation is hidden or
// not the active window: one desktop notification per sender, gathering the lines that
// arrive close together, and an attention request on the lobby. Clicking a notification
// opens its conversation the way the message notifier does.

#include "INotificationSink.h"
#include "Records.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CMessageNotifier;
class CPrivateChatDlg;
class QWidget;

class CDesktopAlerts : public QObject {
    Q_OBJECT
public:
    // Lines of one sender shown in a notification: the latest ones.
    static constexpr int kMaxLines = 5;

    CDesktopAlerts(CMessageNotifier& notifier, QWidget* lobbyWindow);
    ~CDesktopAlerts() override;

    void SetSink(std::unique_ptr<INotificationSink> sink);
    bool HasSink() const { return m_pSink != nullptr; }
    // How long lines are gathered before a notification shows them.
    void SetGatherDelay(int ms) { m_gather.setInterval(ms); }
    // Tests: what asks the window manager for attention.
    void SetAttentionForTesting(std::function<void()> alert) { m_alert = std::move(alert); }

    // A line that the user has not seen reached window.
    void OnUnseenLine(CPrivateChatDlg* window, const UserEntry& sender, const std::string& text);
    // Shows every gathered line now.
    void Flush();
    // Withdraws every notification and forgets every line: the lobby is closing.
    void Clear();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Conversation {
        const CPrivateChatDlg* key = nullptr;
        QPointer<CPrivateChatDlg> window;
        QString nick;
        QStringList lines;
        quint32 id = 0;       // the service's id once it has shown one
        bool pending = false; // a Notify is on its way; its id is not known yet
        bool dirty = false;   // lines not shown yet
    };

    Conversation* Find(const CPrivateChatDlg* key);
    Conversation* FindId(quint32 id);
    void Forget(const CPrivateChatDlg* key);
    void Show(Conversation& c);
    void OnShown(const CPrivateChatDlg* key, quint32 id);
    void OnActivated(quint32 id);
    void OnClosed(quint32 id);

    CMessageNotifier& m_notifier;
    QWidget* m_pLobbyWindow;
    std::function<void()> m_alert;
    std::vector<Conversation> m_conversations;
    QTimer m_gather;
    // Last, so that it goes first and no answer of it reaches a half-destroyed object.
    std::unique_ptr<INotificationSink> m_pSink;
};
