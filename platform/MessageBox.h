#pragma once
// Modal message boxes in the manner the program expects: OK boxes with the application's
// name as caption, and Yes/No questions captioned "询问" with the question icon.
// Tests install a responder that answers every box from a script instead of showing it.

#include <QString>

class QWidget;

enum class BoxIcon { None, Exclamation, Question };

struct BoxRecord {
    QString text;
    QString caption;
    BoxIcon icon = BoxIcon::None;
    bool question = false;
};

class IBoxResponder {
public:
    virtual ~IBoxResponder() = default;
    // Returns true for OK or Yes, false for No.
    virtual bool Answer(const BoxRecord& box) = 0;
};

// An OK box. The default icon is the exclamation mark, as for the application's own
// message boxes; boxes owned by a dialog pass BoxIcon::None.
void ShowMessage(QWidget* parent, const QString& text, BoxIcon icon = BoxIcon::Exclamation);
// A Yes/No question; true on Yes. Only No (or closing the box) cancels.
bool AskQuestion(QWidget* parent, const QString& text);

// The caption of OK boxes: the application's name ("Linquo" or "Sender").
QString ApplicationCaption();

// While set, boxes go to the responder and are not shown. Pass nullptr to restore.
void SetBoxResponder(IBoxResponder* responder);
