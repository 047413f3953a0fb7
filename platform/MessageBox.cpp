#include "MessageBox.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>

namespace {
IBoxResponder* g_responder = nullptr;

bool Run(QWidget* parent, const BoxRecord& box)
{
    if (g_responder)
        return g_responder->Answer(box);
    // On the heap: the owner may be destroyed while the box's own event loop runs (a room
    // closed by its host meanwhile), and then takes the box with it.
    QPointer<QMessageBox> mb = new QMessageBox(parent);
    mb->setWindowTitle(box.caption);
    // Texts carry names from the wire and the profile: never read them as markup.
    mb->setTextFormat(Qt::PlainText);
    mb->setText(box.text);
    mb->setIcon(box.icon == BoxIcon::Question      ? QMessageBox::Question
                : box.icon == BoxIcon::Exclamation ? QMessageBox::Warning
                                                   : QMessageBox::NoIcon);
    if (box.question) {
        mb->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        mb->setDefaultButton(QMessageBox::Yes);
        mb->setEscapeButton(QMessageBox::No);
    } else {
        mb->setStandardButtons(QMessageBox::Ok);
    }
    mb->setAccessibleName(box.caption);
    mb->setAccessibleDescription(box.text);
    const int r = mb->exec();
    if (!mb)
        return false; // gone with its owner: nothing was confirmed
    delete mb;
    return box.question ? r == QMessageBox::Yes : true;
}
} // namespace

QString ApplicationCaption()
{
    QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Linquo") : name;
}

void ShowMessage(QWidget* parent, const QString& text, BoxIcon icon)
{
    BoxRecord box;
    box.text = text;
    box.caption = ApplicationCaption();
    box.icon = icon;
    Run(parent, box);
}

bool AskQuestion(QWidget* parent, const QString& text)
{
    BoxRecord box;
    box.text = text;
    box.caption = QStringLiteral("询问");
    box.icon = BoxIcon::Question;
    box.question = true;
    return Run(parent, box);
}

void SetBoxResponder(IBoxResponder* responder) { g_responder = responder; }
