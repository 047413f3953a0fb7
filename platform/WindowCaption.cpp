#include "WindowCaption.h"

#include <QWidget>

void SetLiteralWindowTitle(QWidget* window, const QString& caption)
{
    // A doubled placeholder is Qt's escape for a literal one.
    QString title = caption;
    title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    window->setWindowTitle(title);
}
