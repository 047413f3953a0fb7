#pragma once
// Keeps an edit's text within a number of GBK bytes, the way the fixed record fields
// count it (a Chinese character takes two). Longer input is cut, never split inside a
// double-byte character.

#include <QValidator>

class GbkLimitValidator : public QValidator {
    Q_OBJECT
public:
    GbkLimitValidator(int maxBytes, QObject* parent);
    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

private:
    int m_nMaxBytes;
};
