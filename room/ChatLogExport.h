#pragma once
// Saving a room's transcript to a text file that the user picks.

#include <QString>

#include <functional>
#include <string>

class QWidget;

// Asks for the file to save to, with the suggested name "Chat_log", the text-file filter,
// ".txt" added to a name typed without an extension, and a question before an existing file
// is replaced. Empty when the user cancels.
QString AskChatLogPath(QWidget* parent);

// Replaces the chooser used by AskChatLogPath (tests answer without a dialog); an empty
// function restores the real dialog.
void SetChatLogPathChooser(std::function<QString(QWidget*)> chooser);

// Where the save dialog starts: the program folder, or the user's documents (else home)
// folder when the program folder cannot be written.
QString ChatLogStartFolder();

// Writes bytes, unchanged, as the whole content of the file at path. The file appears only
// complete where the folder allows (else it is written in place): false when it cannot be
// created or finished.
bool WriteChatLog(const QString& path, const std::string& bytes);
