#include "GbkText.h"

#include <cerrno>
#include <iconv.h>

namespace {

// One converter per direction and thread, opened on first use: opening one loads the
// code page's tables, which costs more than converting a line.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (Valid())
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_cd; }

private:
    iconv_t m_cd;
};

// Converts with iconv; an input sequence that cannot be converted is replaced and
// skipped (one byte for GBK input, one UTF-8 character for UTF-8 input).
std::string Convert(const Converter& converter, std::string_view in,
                    std::string_view replacement, bool utf8Input)
{
    std::string out;
    if (!converter.Valid())
        return std::string(in);
    iconv_t cd = converter.Get();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.reserve(in.size() * 2 + 4);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buf[512];
    while (srcLeft > 0) {
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, sizeof buf - dstLeft);
        if (r != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (cut at the end): replace and step over the bad input.
        out.append(replacement);
        size_t skip = 1;
        if (utf8Input) {
            unsigned char c = static_cast<unsigned char>(*src);
            skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            if (skip > srcLeft)
                skip = srcLeft;
        }
        src += skip;
        srcLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

} // namespace

std::string GbkFromUtf8(std::string_view utf8)
{
    thread_local const Converter toGbk("GBK", "UTF-8");
    return Convert(toGbk, utf8, "?", true);
}

std::string Utf8FromGbk(std::string_view gbk)
{
    thread_local const Converter fromGbk("UTF-8", "GBK");
    return Convert(fromGbk, gbk, "\xEF\xBF\xBD", false);
}

QString FromGbk(std::string_view gbk)
{
    std::string utf8 = Utf8FromGbk(gbk);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToGbk(const QString& text)
{
    QByteArray utf8 = text.toUtf8();
    return GbkFromUtf8(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

size_t GbkCutLength(const char* text, size_t len, size_t maxBytes)
{
    size_t i = 0;
    while (i < len) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t size = (c >= 0x81 && c <= 0xFE && i + 1 < len) ? 2 : 1;
        if (i + size > maxBytes)
            break;
        i += size;
    }
    return i;
}
