#pragma once
// Shared by the conversation windows' tests: a fake lobby that records what the windows
// ask of it (decoding every datagram), users, the transcript read back as coloured
// segments, and input sent straight to a widget.

#include "CTranscriptView.h"
#include "GbkText.h"
#include "ILobby.h"
#include "Packet.h"
#include "Profile.h"
#include "Records.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>

#include <ostream>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace convtest {

struct SentDatagram {
    Datagram datagram;
    std::string ip;
    bool decoded = false;
};

class FakeLobby : public ILobby {
public:
    void SendTo(const Packet& packet, const char* ip) override
    {
        SentDatagram sent;
        sent.decoded = DecodeDatagram(packet.bytes, PACKET_SIZE, sent.datagram);
        sent.ip = ip;
        m_sent.push_back(sent);
    }
    void AnnounceRoomUpdate() override
    {
        m_announcedCounts.push_back(theProfile.m_myRoom.memberCount);
    }
    void LeaveRoom() override
    {
        ++m_nLeaves;
        if (m_onLeave)
            m_onLeave();
    }
    void OpenChatWith(const std::string& key) override { m_opened.push_back(key); }
    bool SendPrivate(const UserEntry& peer, const std::string& text) override
    {
        m_privates.emplace_back(peer, text);
        return m_bPeerListed;
    }
    const std::vector<CPrivateChatDlg*>& ChatWindows() const override { return m_windows; }

    std::vector<SentDatagram> m_sent;
    std::vector<int32_t> m_announcedCounts;
    int m_nLeaves = 0;
    std::function<void()> m_onLeave;
    std::vector<std::string> m_opened;
    std::vector<std::pair<UserEntry, std::string>> m_privates;
    bool m_bPeerListed = true;
    std::vector<CPrivateChatDlg*> m_windows;
};

inline UserEntry User(const char* utf8Nick, const char* ip, int32_t sex)
{
    UserEntry u;
    SetField(u.nick, GbkFromUtf8(utf8Nick));
    SetField(u.ip, ip);
    u.sex = sex;
    return u;
}

inline std::string G(const char* utf8) { return GbkFromUtf8(utf8); }

// A run of text in one colour, as the transcript shows it; a paragraph break is "\n".
struct Segment {
    QString text;
    QColor colour;
    bool operator==(const Segment& o) const { return text == o.text && colour == o.colour; }
};

inline std::ostream& operator<<(std::ostream& os, const Segment& s)
{
    return os << '"' << s.text.toStdString() << "\" " << s.colour.name().toStdString();
}

// Neighbouring runs of the same colour read as one, as the document keeps them.
inline std::vector<Segment> Segments(const CTranscriptView& view)
{
    std::vector<Segment> out;
    auto add = [&out](const QString& text, const QColor& colour) {
        if (!out.empty() && out.back().colour == colour)
            out.back().text += text;
        else
            out.push_back({text, colour});
    };
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
        if (block != view.document()->begin())
            out.push_back({QStringLiteral("\n"), QColor()});
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid())
                add(fragment.text(), fragment.charFormat().foreground().color());
        }
    }
    return out;
}

inline void Key(QWidget* w, int key, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

inline void MouseMove(QWidget* w, QPoint pos)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

inline void LeftPress(QWidget* w, QPoint pos)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(pos), QPointF(w->mapToGlobal(pos)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(pos), QPointF(w->mapToGlobal(pos)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

} // namespace convtest
