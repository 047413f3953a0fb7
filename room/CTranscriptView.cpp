#include "CTranscriptView.h"

#include "GbkText.h"
#include "WindowFont.h"

#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextDocument>

// A plain-text document lays out only the paragraphs that change, so a line appended to a
// long conversation costs the same as one appended to a short one; it still carries a
// colour per character.
CTranscriptView::CTranscriptView(QWidget* parent) : QPlainTextEdit(parent), m_end(document())
{
    const QFont font = WindowFont();
    setFont(font);
    document()->setDefaultFont(font);
    // Appends are never undone, and an undo stack would keep a copy of every line.
    document()->setUndoRedoEnabled(false);
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Lines keep their own length; long ones scroll sideways.
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void CTranscriptView::AppendColoredText(const std::string& gbkText, const QColor& colour)
{
    m_gbkText += gbkText;
    m_end.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(colour);
    // CR LF becomes one paragraph break.
    m_end.insertText(FromGbk(gbkText), format);
    if (m_nLineDepth == 0)
        ScrollToEnd();
}

void CTranscriptView::ClearTranscript()
{
    m_gbkText.clear();
    document()->clear();
}

void CTranscriptView::BeginLine()
{
    if (m_nLineDepth++ == 0)
        m_end.beginEditBlock();
}

void CTranscriptView::EndLine()
{
    if (m_nLineDepth == 0 || --m_nLineDepth > 0)
        return;
    m_end.endEditBlock();
    ScrollToEnd();
}

void CTranscriptView::ScrollToEnd()
{
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}
