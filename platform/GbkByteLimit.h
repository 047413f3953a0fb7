#pragma once
// Keeps an input's text within a number of GBK bytes, as the record fields and datagrams
// count it (a Chinese character takes two). Typing past the limit adds nothing; a longer
// paste is cut at a character boundary.

#include <QValidator>

class GbkByteLimit : public QValidator {
    Q_OBJECT
public:
    GbkByteLimit(int maxBytes, QObject* parent);
    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

    // The longest prefix of text, in whole characters, that takes at most maxBytes in GBK.
    static QString Cut(const QString& text, int maxBytes);

private:
    int m_nMaxBytes;
};
