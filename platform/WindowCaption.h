#pragma once
// Window captions that hold a peer's or the user's text. Qt reads "[*]" in a caption as the
// place of the unsaved-changes mark and drops it; such a caption must show what was sent.

#include <QString>

class QWidget;

// Sets caption as the window's title, shown exactly as given.
void SetLiteralWindowTitle(QWidget* window, const QString& caption);
