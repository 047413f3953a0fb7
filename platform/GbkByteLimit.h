#pragma once
// Keeps an input's text within a number of GBK bytes, as the record fields and datagrams
// count it (a Chinese character takes two). An edit by the user that would pass the limit
// is refused as a whole, so nothing already typed is lost and undo keeps its history;
// Ctrl+V and Shift+Insert paste as much of the clipboard as fits, cut at a character.
// Text set by the program is cut at a character boundary.

#include <QValidator>

class QLineEdit;

class GbkByteLimit : public QValidator {
    Q_OBJECT
public:
    // When parent is a QLineEdit, the limit also watches its paste keys.
    GbkByteLimit(int maxBytes, QObject* parent);
    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

    // The longest prefix of text, in whole characters, that takes at most maxBytes in GBK.
    static QString Cut(const QString& text, int maxBytes);
    static int ByteSize(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool PasteWhatFits(QLineEdit* edit) const;

    int m_nMaxBytes;
    QLineEdit* m_pEdit = nullptr;
};
