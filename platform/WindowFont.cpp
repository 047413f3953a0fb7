#include "WindowFont.h"

QFont WindowFont()
{
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(9);
    return font;
}
