#pragma once
// A small reader and writer of INI profile files: section and key names match without
// regard to ASCII case, values are raw bytes (GBK), and lines that are not touched stay
// exactly as they were.

#include <string>
#include <string_view>
#include <vector>

class IniFile {
public:
    // Parses text already in memory (used by Load and by the fuzzer).
    void Parse(std::string_view text);
    // Reads a file; a missing or unreadable file reads as empty. False when unreadable.
    bool Load(const std::string& path);
    // Writes the whole file; false when it cannot be written. An existing file keeps its
    // permissions, and one without write permission is left as it is.
    bool Save(const std::string& path) const;

    // The value, or fallback when the key is missing; like the platform's profile read,
    // the result is cut to bufferSize - 1 bytes.
    std::string Get(std::string_view section, std::string_view key, std::string_view fallback,
                    size_t bufferSize) const;
    bool Has(std::string_view section, std::string_view key) const;
    // Replaces the value, adding the section and key where needed.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    std::string Text() const;

private:
    struct Line {
        std::string raw;     // the line as read, without its line end
        std::string section; // for a section header: its name
        std::string key;     // for a key line: its name
        std::string value;   // for a key line: its value
        bool isSection = false;
        bool isKey = false;
    };
    int FindKey(std::string_view section, std::string_view key) const;
    static bool WriteAll(int fd, const std::string& text);
    static bool WriteInPlace(const std::string& path, const std::string& text);
    std::vector<Line> m_lines;
    std::string m_eol = "\r\n";
};
