#pragma once
// How every chat line looks: its pieces, their literal texts and their colours. Each
// composer appends one whole line, ending in CR LF, to a transcript.

#include "Records.h"

#include <QColor>

#include <string>

class CTranscriptView;

namespace ChatColour {
inline const QColor Black(0, 0, 0);
inline const QColor MaleName(0, 0, 255);
inline const QColor FemaleName(255, 150, 150);
inline const QColor MaleText(0, 128, 64);
inline const QColor FemaleText(255, 0, 255);
inline const QColor Notice(128, 128, 128);
} // namespace ChatColour

// Sex 0 is male; every other value counts as female.
QColor NameColour(const UserEntry& user);
QColor TextColour(const UserEntry& speaker);

// "[speaker] 对 所有人 说: text"
void ShowPublicLine(CTranscriptView& view, const UserEntry& speaker, std::string text);
// "[speaker] 对 [addressee] 说: text"; the text takes the speaker's colour.
void ShowDirectedLine(CTranscriptView& view, const UserEntry& speaker,
                      const UserEntry& addressee, std::string text);
// A grey line such as "[nick] 进入聊天室".
void ShowNotice(CTranscriptView& view, std::string text);
// "[speaker]说: text"
void ShowPrivateLine(CTranscriptView& view, const UserEntry& speaker, std::string text);

// The notices of a member entering and leaving a room, GBK.
std::string EnteredNotice(const UserEntry& member);
std::string LeftNotice(const UserEntry& member);
