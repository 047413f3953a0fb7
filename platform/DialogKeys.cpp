#include "DialogKeys.h"

#include <QKeyEvent>

bool SwallowCloseKeys(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return true;
    default:
        return false;
    }
}
