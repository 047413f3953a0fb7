#pragma once
// A conversation transcript: a read-only rich text view that only the program writes to.
// Each append goes to the very end in one colour, whatever the user has selected, and the
// exact GBK bytes appended are kept beside the view so that an export writes them unchanged.

#include <QColor>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <string>

class CTranscriptView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CTranscriptView(QWidget* parent = nullptr);

    // Appends GBK text at the end in the colour and shows the last line. Only the colour
    // is set on the new text; earlier text keeps its own colour.
    void AppendColoredText(const std::string& gbkText, const QColor& colour);
    // Empties the view and the kept text.
    void ClearTranscript();
    // Everything appended since the last clear, as GBK bytes with the lines' CR LF ends.
    const std::string& GbkText() const { return m_gbkText; }

    // Appends between BeginLine and EndLine are laid out and shown as one change, so that
    // a line of several colours costs one layout of its paragraph. Calls may nest.
    void BeginLine();
    void EndLine();

private:
    void ScrollToEnd();

    std::string m_gbkText;
    QTextCursor m_end; // our own cursor: the user's selection never receives the text
    int m_nLineDepth = 0;
};

// Holds a transcript's appends together for the lifetime of the object.
class TranscriptLine {
public:
    explicit TranscriptLine(CTranscriptView& view) : m_view(view) { m_view.BeginLine(); }
    ~TranscriptLine() { m_view.EndLine(); }
    TranscriptLine(const TranscriptLine&) = delete;
    TranscriptLine& operator=(const TranscriptLine&) = delete;

private:
    CTranscriptView& m_view;
};
