#include "ChatLines.h"

#include "CTranscriptView.h"
#include "GbkText.h"

namespace {

// The fixed words, converted to GBK once.
const std::string& ToEverybody()
{
    static const std::string s = GbkFromUtf8("] 对 所有人 说: ");
    return s;
}
const std::string& ToMember()
{
    static const std::string s = GbkFromUtf8("] 对 [");
    return s;
}
const std::string& RoomSays()
{
    static const std::string s = GbkFromUtf8("] 说: ");
    return s;
}
const std::string& PrivateSays()
{
    static const std::string s = GbkFromUtf8("]说: ");
    return s;
}

const std::string kOpen = "[";
const std::string kLineEnd = "\r\n";

void AppendName(CTranscriptView& view, const UserEntry& user)
{
    view.AppendColoredText(FieldText(user.nick), NameColour(user));
}

} // namespace

QColor NameColour(const UserEntry& user)
{
    return user.sex == 0 ? ChatColour::MaleName : ChatColour::FemaleName;
}

QColor TextColour(const UserEntry& speaker)
{
    return speaker.sex == 0 ? ChatColour::MaleText : ChatColour::FemaleText;
}

void ShowPublicLine(CTranscriptView& view, const UserEntry& speaker, std::string text)
{
    text += kLineEnd;
    TranscriptLine line(view);
    view.AppendColoredText(kOpen, ChatColour::Black);
    AppendName(view, speaker);
    view.AppendColoredText(ToEverybody(), ChatColour::Black);
    view.AppendColoredText(text, TextColour(speaker));
}

void ShowDirectedLine(CTranscriptView& view, const UserEntry& speaker,
                      const UserEntry& addressee, std::string text)
{
    text += kLineEnd;
    TranscriptLine line(view);
    view.AppendColoredText(kOpen, ChatColour::Black);
    AppendName(view, speaker);
    view.AppendColoredText(ToMember(), ChatColour::Black);
    AppendName(view, addressee);
    view.AppendColoredText(RoomSays(), ChatColour::Black);
    view.AppendColoredText(text, TextColour(speaker));
}

void ShowNotice(CTranscriptView& view, std::string text)
{
    text += kLineEnd;
    TranscriptLine line(view);
    view.AppendColoredText(text, ChatColour::Notice);
}

void ShowPrivateLine(CTranscriptView& view, const UserEntry& speaker, std::string text)
{
    text += kLineEnd;
    TranscriptLine line(view);
    view.AppendColoredText(kOpen, ChatColour::Black);
    AppendName(view, speaker);
    view.AppendColoredText(PrivateSays(), ChatColour::Black);
    view.AppendColoredText(text, TextColour(speaker));
}

std::string EnteredNotice(const UserEntry& member)
{
    static const std::string s = GbkFromUtf8("] 进入聊天室");
    return kOpen + FieldText(member.nick) + s;
}

std::string LeftNotice(const UserEntry& member)
{
    static const std::string s = GbkFromUtf8("] 离开聊天室");
    return kOpen + FieldText(member.nick) + s;
}
