#pragma once
// A tooltip that shows text from the wire exactly as sent. Qt treats a tooltip that looks
// like markup as rich text, so a nickname such as "<img src=...>" would otherwise be
// rendered, and even load a local file.

#include <QString>

inline QString PlainToolTip(const QString& text)
{
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}
