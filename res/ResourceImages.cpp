#include "ResourceImages.h"

#include "Resources.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

namespace {

bool ResourceExists(const QString& name)
{
    // QSvgRenderer warns on a missing file; check first so that an unknown name stays quiet.
    return name.startsWith(QLatin1Char(':')) && QFile::exists(name);
}

} // namespace

QPixmap LoadResourcePixmap(const char* path, QSize size, const QColor& background)
{
    if (path == nullptr || size.isEmpty())
        return {};
    const QString name = QString::fromUtf8(path);
    if (!ResourceExists(name))
        return {};
    QSvgRenderer renderer(name);
    if (!renderer.isValid())
        return {};
    const bool opaque = background.alpha() == 255;
    QImage image(size, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, size.width(), size.height()));
    painter.end();
    return QPixmap::fromImage(image);
}

namespace {

// Every room window asks for the same few icons; each is rendered once per application.
QHash<QString, QIcon>& IconCache()
{
    static QHash<QString, QIcon> cache;
    return cache;
}

// Rendered on the first hover over the notifier's text, then kept.
QPixmap& HandCursorPixmap()
{
    static QPixmap pixmap;
    return pixmap;
}

// Whether the clearing below is due when the application object goes.
bool g_clearingRegistered = false;

// The pixmaps must go before the application object that they belong to.
void ClearImageCaches()
{
    IconCache().clear();
    HandCursorPixmap() = QPixmap();
    g_clearingRegistered = false;
}

void ClearImageCachesAtExit()
{
    if (!g_clearingRegistered)
        qAddPostRoutine(ClearImageCaches);
    g_clearingRegistered = true;
}

QIcon RenderResourceIcon(const char* path)
{
    QIcon icon;
    for (int side : {16, 20, 24, 32, 48, 64, 128, 256}) {
        const QPixmap pixmap = LoadResourcePixmap(path, QSize(side, side));
        if (pixmap.isNull())
            return {};
        icon.addPixmap(pixmap);
        // Lists would otherwise tint the picture of a selected row (the addressee's
        // orange arrow turned brown).
        icon.addPixmap(pixmap, QIcon::Selected);
    }
    return icon;
}

} // namespace

QIcon LoadResourceIcon(const char* path)
{
    if (path == nullptr)
        return {};
    const QString key = QString::fromUtf8(path);
    QHash<QString, QIcon>& cache = IconCache();
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    ClearImageCachesAtExit();
    const QIcon icon = RenderResourceIcon(path);
    cache.insert(key, icon);
    return icon;
}

QCursor LoadHandCursor()
{
    QPixmap& pixmap = HandCursorPixmap();
    if (pixmap.isNull()) {
        pixmap = LoadResourcePixmap(kCursorHand, QSize(kCursorSize, kCursorSize));
        ClearImageCachesAtExit();
    }
    if (pixmap.isNull())
        return QCursor(Qt::PointingHandCursor);
    return QCursor(pixmap, 0, 0);
}

QPixmap LoadSplashPixmap()
{
    return LoadResourcePixmap(kBitmapSplash, QSize(kSplashWidth, kSplashHeight), Qt::white);
}
