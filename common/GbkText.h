#pragma once
// The one conversion point between GBK bytes (how the system keeps every text) and
// the Unicode strings that Qt widgets show. Bad or cut sequences become U+FFFD.

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>

std::string GbkFromUtf8(std::string_view utf8);
std::string Utf8FromGbk(std::string_view gbk);

QString FromGbk(std::string_view gbk);
std::string ToGbk(const QString& text);

// Length of the longest prefix of text[0..len) of at most maxBytes bytes that does not
// end inside a double-byte character.
size_t GbkCutLength(const char* text, size_t len, size_t maxBytes);
inline std::string GbkCut(const std::string& text, size_t maxBytes)
{
    return text.substr(0, GbkCutLength(text.data(), text.size(), maxBytes));
}
