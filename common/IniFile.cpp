#include "IniFile.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

void IniFile::Parse(std::string_view text)
{
    m_lines.clear();
    m_eol = text.find("\r\n") != std::string_view::npos || text.find('\n') == std::string_view::npos
                ? "\r\n"
                : "\n";
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        std::string_view raw =
            text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        pos = end == std::string_view::npos ? text.size() : end + 1;
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        Line line;
        line.raw = std::string(raw);
        std::string_view t = Trim(raw);
        if (!t.empty() && t.front() == '[') {
            size_t close = t.find(']');
            if (close != std::string_view::npos) {
                line.isSection = true;
                line.section = std::string(Trim(t.substr(1, close - 1)));
            }
        } else if (!t.empty() && t.front() != ';') {
            size_t eq = t.find('=');
            if (eq != std::string_view::npos) {
                line.isKey = true;
                line.key = std::string(Trim(t.substr(0, eq)));
                line.value = std::string(Trim(t.substr(eq + 1)));
            }
        }
        m_lines.push_back(std::move(line));
    }
}

bool IniFile::Load(const std::string& path)
{
    m_lines.clear();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    // A read that stopped on an error (a folder, a failing disk) is no empty file.
    const bool complete = !std::ferror(f);
    std::fclose(f);
    if (!complete)
        return false;
    Parse(text);
    return true;
}

std::string IniFile::Text() const
{
    std::string out;
    for (const Line& l : m_lines) {
        out += l.raw;
        out += m_eol;
    }
    return out;
}

bool IniFile::Save(const std::string& path) const
{
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    // A file without write permission was made read-only on purpose: leave it, even where
    // the folder would let us replace it (and even as root).
    if (exists && (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0
                   || ::access(path.c_str(), W_OK) != 0))
        return false;
    const std::string text = Text();
    // Write beside the file first, then rename, so a failed write never leaves a
    // half-written profile behind.
    const std::string tmp = path + ".tmp";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return exists && WriteInPlace(path, text); // a folder that takes no new files
    if (exists) {
        // The new file takes the old one's place with the old one's permissions and owner.
        ::fchmod(fd, st.st_mode & 07777);
        if (::geteuid() == 0)
            (void)!::fchown(fd, st.st_uid, st.st_gid);
    }
    bool ok = WriteAll(fd, text);
    ok = ::close(fd) == 0 && ok;
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

bool IniFile::WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool IniFile::WriteInPlace(const std::string& path, const std::string& text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, text);
    return ::close(fd) == 0 && ok;
}

int IniFile::FindKey(std::string_view section, std::string_view key) const
{
    bool inSection = false;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const Line& l = m_lines[i];
        if (l.isSection)
            inSection = SameName(l.section, section);
        else if (inSection && l.isKey && SameName(l.key, key))
            return static_cast<int>(i);
    }
    return -1;
}

bool IniFile::Has(std::string_view section, std::string_view key) const
{
    return FindKey(section, key) >= 0;
}

std::string IniFile::Get(std::string_view section, std::string_view key,
                         std::string_view fallback, size_t bufferSize) const
{
    int i = FindKey(section, key);
    std::string value = i >= 0 ? m_lines[size_t(i)].value : std::string(fallback);
    if (bufferSize == 0)
        return std::string();
    if (value.size() > bufferSize - 1)
        value.resize(bufferSize - 1);
    return value;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value)
{
    Line kl;
    kl.isKey = true;
    kl.key = std::string(key);
    // A line break inside a value would forge further lines of the file.
    for (char c : value)
        if (c != '\r' && c != '\n')
            kl.value += c;
    kl.raw = kl.key + "=" + kl.value;
    int i = FindKey(section, key);
    if (i >= 0) {
        kl.key = m_lines[size_t(i)].key; // keep the spelling the file uses
        kl.raw = kl.key + "=" + kl.value;
        m_lines[size_t(i)] = std::move(kl);
        return;
    }
    // Append at the end of the section's last key line, or add the section.
    int sectionAt = -1, lastKey = -1;
    for (size_t j = 0; j < m_lines.size(); ++j) {
        const Line& l = m_lines[j];
        if (l.isSection) {
            if (sectionAt >= 0)
                break;
            if (SameName(l.section, section))
                sectionAt = lastKey = static_cast<int>(j);
        } else if (sectionAt >= 0 && l.isKey) {
            lastKey = static_cast<int>(j);
        }
    }
    if (sectionAt < 0) {
        Line sl;
        sl.isSection = true;
        sl.section = std::string(section);
        sl.raw = "[" + sl.section + "]";
        m_lines.push_back(std::move(sl));
        m_lines.push_back(std::move(kl));
        return;
    }
    m_lines.insert(m_lines.begin() + lastKey + 1, std::move(kl));
}
