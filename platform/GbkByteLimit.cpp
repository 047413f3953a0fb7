#include "GbkByteLimit.h"

#include "GbkText.h"

GbkByteLimit::GbkByteLimit(int maxBytes, QObject* parent) : QValidator(parent), m_nMaxBytes(maxBytes)
{
}

QValidator::State GbkByteLimit::validate(QString& input, int& pos) const
{
    const QString cut = Cut(input, m_nMaxBytes);
    if (cut.size() != input.size()) {
        input = cut;
        if (pos > input.size())
            pos = static_cast<int>(input.size());
    }
    return Acceptable;
}

void GbkByteLimit::fixup(QString& input) const { input = Cut(input, m_nMaxBytes); }

QString GbkByteLimit::Cut(const QString& text, int maxBytes)
{
    qsizetype bytes = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype units = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        qsizetype size = 1;
        if (text.at(i).unicode() >= 0x80) {
            // Characters outside GBK are sent as the one-byte replacement.
            size = static_cast<qsizetype>(ToGbk(text.mid(i, units)).size());
        }
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        i += units;
    }
    return i == text.size() ? text : text.left(i);
}
