#include "CDesktopAlerts.h"

#include "CMessageNotifier.h"
#include "CPrivateChatDlg.h"
#include "GbkText.h"

#include <QApplication>
#include <QEvent>

#include <algorithm>

namespace {

constexpr int kGatherMs = 300;

// The body may be read as markup: a peer's "<b>" stays two visible characters.
QString EscapeMarkup(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == QLatin1Char('&'))
            out += QStringLiteral("&amp;");
        else if (c == QLatin1Char('<'))
            out += QStringLiteral("&lt;");
        else if (c == QLatin1Char('>'))
            out += QStringLiteral("&gt;");
        else
            out += c;
    }
    return out;
}

// One received line is one line of the body, whatever a peer put into it.
QString OneLine(QString text)
{
    for (QChar& c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

} // namespace

CDesktopAlerts::CDesktopAlerts(CMessageNotifier& notifier, QWidget* lobbyWindow)
    : m_notifier(notifier), m_pLobbyWindow(lobbyWindow)
{
    m_alert = [this] {
        if (m_pLobbyWindow)
            QApplication::alert(m_pLobbyWindow);
    };
    m_gather.setSingleShot(true);
    m_gather.setInterval(kGatherMs);
    connect(&m_gather, &QTimer::timeout, this, &CDesktopAlerts::Flush);
}

CDesktopAlerts::~CDesktopAlerts() = default;

void CDesktopAlerts::SetSink(std::unique_ptr<INotificationSink> sink)
{
    m_pSink = std::move(sink);
    if (m_pSink) {
        m_pSink->SetHandlers([this](quint32 id) { OnActivated(id); },
                             [this](quint32 id) { OnClosed(id); });
    }
}

CDesktopAlerts::Conversation* CDesktopAlerts::Find(const CPrivateChatDlg* key)
{
    for (Conversation& c : m_conversations) {
        if (c.key == key)
            return &c;
    }
    return nullptr;
}

CDesktopAlerts::Conversation* CDesktopAlerts::FindId(quint32 id)
{
    if (id == 0)
        return nullptr;
    for (Conversation& c : m_conversations) {
        if (c.id == id)
            return &c;
    }
    return nullptr;
}

void CDesktopAlerts::OnUnseenLine(CPrivateChatDlg* window, const UserEntry& sender,
                                  const std::string& text)
{
    if (m_alert)
        m_alert();
    if (!window)
        return;
    Conversation* c = Find(window);
    if (!c) {
        Conversation fresh;
        fresh.key = window;
        fresh.window = window;
        m_conversations.push_back(fresh);
        c = &m_conversations.back();
        // Seeing the window ends its notification.
        window->installEventFilter(this);
    }
    c->nick = FromGbk(FieldText(sender.nick));
    c->lines.append(OneLine(FromGbk(text)));
    while (c->lines.size() > kMaxLines)
        c->lines.removeFirst();
    c->dirty = true;
    if (!m_gather.isActive())
        m_gather.start();
}

void CDesktopAlerts::Flush()
{
    m_gather.stop();
    // Keys first: a sink may answer at once, and answers change the list.
    std::vector<const CPrivateChatDlg*> keys;
    for (const Conversation& c : m_conversations) {
        if (c.dirty)
            keys.push_back(c.key);
    }
    for (const CPrivateChatDlg* key : keys) {
        if (Conversation* c = Find(key))
            Show(*c);
    }
}

void CDesktopAlerts::Show(Conversation& c)
{
    if (!m_pSink) {
        c.dirty = false;
        return;
    }
    // A second Notify before the first has its id would make a second notification;
    // the id's arrival shows what was gathered meanwhile.
    if (c.pending)
        return;
    c.pending = true;
    c.dirty = false;
    const QString body = m_pSink->BodyIsMarkup() ? EscapeMarkup(c.lines.join(QLatin1Char('\n')))
                                                 : c.lines.join(QLatin1Char('\n'));
    const CPrivateChatDlg* key = c.key;
    m_pSink->Notify(c.id, c.nick, body, [this, key](quint32 id) { OnShown(key, id); });
}

void CDesktopAlerts::OnShown(const CPrivateChatDlg* key, quint32 id)
{
    Conversation* c = Find(key);
    if (!c) {
        // Seen before the notification came up: take it away again.
        if (id != 0 && m_pSink)
            m_pSink->Close(id);
        return;
    }
    c->pending = false;
    c->id = id;
    if (id != 0 && c->dirty)
        Show(*c);
    else if (id == 0)
        c->dirty = false; // no service: nothing to retry
}

void CDesktopAlerts::OnActivated(quint32 id)
{
    Conversation* c = FindId(id);
    if (!c)
        return;
    const QPointer<CPrivateChatDlg> window = c->window;
    if (window)
        m_notifier.OpenConversation(window);
}

void CDesktopAlerts::OnClosed(quint32 id)
{
    Conversation* c = FindId(id);
    if (!c || c->pending)
        return;
    // Dismissed or expired: later lines start a notification of their own.
    c->id = 0;
    if (!c->dirty)
        c->lines.clear();
}

void CDesktopAlerts::Forget(const CPrivateChatDlg* key)
{
    const auto it = std::find_if(m_conversations.begin(), m_conversations.end(),
                                 [key](const Conversation& c) { return c.key == key; });
    if (it == m_conversations.end())
        return;
    const quint32 id = it->id;
    m_conversations.erase(it);
    if (id != 0 && m_pSink)
        m_pSink->Close(id);
}

void CDesktopAlerts::Clear()
{
    m_gather.stop();
    std::vector<Conversation> all;
    all.swap(m_conversations);
    for (Conversation& c : all) {
        if (c.window)
            c.window->removeEventFilter(this);
        if (c.id != 0 && m_pSink)
            m_pSink->Close(c.id);
    }
}

bool CDesktopAlerts::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate) {
        watched->removeEventFilter(this);
        Forget(qobject_cast<CPrivateChatDlg*>(watched));
    }
    return QObject::eventFilter(watched, event);
}
