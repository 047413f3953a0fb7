#include "GbkLimitValidator.h"

#include "GbkText.h"

GbkLimitValidator::GbkLimitValidator(int maxBytes, QObject* parent)
    : QValidator(parent), m_nMaxBytes(maxBytes)
{
}

QValidator::State GbkLimitValidator::validate(QString& input, int& pos) const
{
    if (ToGbk(input).size() <= static_cast<size_t>(m_nMaxBytes))
        return Acceptable;
    fixup(input);
    if (pos > input.size())
        pos = static_cast<int>(input.size());
    return Acceptable;
}

void GbkLimitValidator::fixup(QString& input) const
{
    // Every character takes at least one byte, so a long paste is first cut cheaply.
    if (input.size() > m_nMaxBytes) {
        input.truncate(m_nMaxBytes);
        if (input.back().isHighSurrogate())
            input.chop(1);
    }
    // Drop whole characters from the end until the bytes fit; a character that has no
    // GBK form counts as the one byte its replacement takes.
    while (!input.isEmpty() && ToGbk(input).size() > static_cast<size_t>(m_nMaxBytes)) {
        qsizetype cut = input.size() - 1;
        if (cut > 0 && input.at(cut).isLowSurrogate() && input.at(cut - 1).isHighSurrogate())
            --cut;
        input.truncate(cut);
    }
}
