#include "GbkByteLimit.h"

#include "GbkText.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>

GbkByteLimit::GbkByteLimit(int maxBytes, QObject* parent)
    : QValidator(parent), m_nMaxBytes(maxBytes), m_pEdit(qobject_cast<QLineEdit*>(parent))
{
    if (m_pEdit)
        m_pEdit->installEventFilter(this);
}

QValidator::State GbkByteLimit::validate(QString& input, int& pos) const
{
    const QString fitting = Cut(input, m_nMaxBytes);
    if (fitting.size() == input.size())
        return Acceptable;
    // A user's edit has just been recorded for undo. Refusing it makes the line edit take
    // it back step by step; accepting a cut text instead would replace the whole text and
    // forget the undo history.
    if (m_pEdit && m_pEdit->isUndoAvailable())
        return Invalid;
    // Text set by the program has no history to keep.
    input = fitting;
    if (pos > input.size())
        pos = static_cast<int>(input.size());
    return Acceptable;
}

void GbkByteLimit::fixup(QString& input) const { input = Cut(input, m_nMaxBytes); }

bool GbkByteLimit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pEdit && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool paste = key->matches(QKeySequence::Paste)
                           || (key->key() == Qt::Key_Insert
                               && key->modifiers() == Qt::ShiftModifier);
        if (paste && PasteWhatFits(m_pEdit))
            return true;
    }
    return QValidator::eventFilter(watched, event);
}

// Inserts the part of the clipboard that fits in place of the selection, as one undoable
// step. False when the whole clipboard fits (the line edit pastes it itself).
bool GbkByteLimit::PasteWhatFits(QLineEdit* edit) const
{
    if (edit->isReadOnly() || edit->echoMode() != QLineEdit::Normal)
        return false;
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    const QString clip = clipboard->text(QClipboard::Clipboard);
    QString kept = edit->text();
    if (edit->hasSelectedText())
        kept.remove(edit->selectionStart(), edit->selectedText().size());
    const QString part = Cut(clip, qMax(0, m_nMaxBytes - ByteSize(kept)));
    if (part.size() == clip.size())
        return false;
    if (!part.isEmpty())
        edit->insert(part);
    return true;
}

int GbkByteLimit::ByteSize(const QString& text)
{
    return static_cast<int>(ToGbk(text).size());
}

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
