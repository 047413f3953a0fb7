#pragma once

#include <QFont>

// The font every window of the program is drawn for: "宋体" at 9 points (where it is
// missing, the application's substitution picks a CJK face).
QFont WindowFont();
