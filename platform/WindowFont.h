#pragma once

#include <QFont>

class QTranslator;

// The font every window of the program is drawn for: "宋体" at 9 points (where it is
// missing, the substitution set up below picks a CJK face).
QFont WindowFont();

// Makes the application speak Chinese everywhere, Qt's standard buttons and dialogs
// included, and draw in WindowFont(). The translator must live as long as the application.
void SetUpApplicationText(QTranslator& qtTranslator);
