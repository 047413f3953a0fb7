#include "Records.h"

#include "GbkText.h"

#include <cstring>

UserEntry::UserEntry() : nick{}, ip{}, sex(0)
{
    SetField(nick, "zoly");
    SetField(ip, "127.0.0.1");
}

RoomInfo::RoomInfo() : name{}, memberCount(0), intro{}, creator()
{
    // Converted once: every decoded datagram constructs a room record.
    static const std::string defaultName = GbkFromUtf8("天论");
    static const std::string defaultIntro = GbkFromUtf8("欢迎大家来讨论!");
    SetField(name, defaultName);
    SetField(intro, defaultIntro);
}

bool SameUser(const UserEntry& a, const UserEntry& b)
{
    return a.sex == b.sex && FieldText(a.nick) == FieldText(b.nick) &&
           FieldText(a.ip) == FieldText(b.ip);
}

std::string UserKey(const char* nick, const char* ip)
{
    std::string key(nick);
    key += ' ';
    key += ip;
    return key;
}

std::string UserKey(const UserEntry& u) { return FieldText(u.nick) + ' ' + FieldText(u.ip); }

void SetField(char* field, size_t width, const char* text)
{
    if (width == 0)
        return;
    size_t len = strnlen(text, width);
    size_t keep = GbkCutLength(text, len, width - 1);
    std::memset(field, 0, width);
    std::memcpy(field, text, keep);
}

void SetField(char* field, size_t width, const std::string& text)
{
    SetField(field, width, text.c_str());
}

std::string FieldText(const char* field, size_t width)
{
    return std::string(field, strnlen(field, width));
}
