#pragma once

#include <QColor>
#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <QSize>

// Renders the SVG pictures of Resources.h directly with Qt SVG, so that they show even where the
// SVG image and icon plugins are missing. Unknown names give a null pixmap, an empty icon or the
// standard cursor.

// The picture at `size` on `background` (transparent by default). Null if `path` is unknown.
QPixmap LoadResourcePixmap(const char* path, QSize size, const QColor& background = Qt::transparent);

// A list icon or window icon with pixmaps at the common sizes (16 to 256 pixels).
QIcon LoadResourceIcon(const char* path);

// The pointing-hand cursor, 32 x 32, hot spot at its top-left corner.
QCursor LoadHandCursor();

// The splash picture at 401 x 172, opaque, on white.
QPixmap LoadSplashPixmap();
