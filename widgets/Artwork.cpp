#include "widgets/Artwork.h"

#include <QImage>
#include <QResource>
#ifndef PONTRA_ARTWORK_PNG
#include <QPainter>
#include <QSvgRenderer>
#endif

#include <cstddef>
#ifdef PONTRA_LIBPNG
#include <png.h>
#endif

namespace {

// Pictures are drawn on the GUI thread only.
int drawnAtRunTime = 0;

#ifdef PONTRA_ARTWORK_PNG
// A build without Qt's SVG module carries the pictures rasterised at build
// time, large enough for a TV, and scales them here.
QPixmap Drawn(const QString &name, QSize size)
{
    const QImage image(QStringLiteral(":/art/%1.png").arg(name));
    if (image.isNull())
        return {};
    return QPixmap::fromImage(image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}
#else
QPixmap Drawn(const QString &name, QSize size)
{
    QSvgRenderer renderer(QStringLiteral(":/art/%1.svg").arg(name));
    if (!renderer.isValid())
        return {};
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}
#endif

// The picture rasterised at build time for this size; null if there is none.
QImage Ready(const QString &name, QSize size)
{
    const QString file = QStringLiteral(":/art/%1-%2x%3.png").arg(name).arg(size.width()).arg(size.height());
#ifdef PONTRA_LIBPNG
    // libpng read directly: Qt's image reader first looks through all its
    // image format plugins, which costs the start more than reading every
    // picture.
    const QResource resource(file);
    if (!resource.isValid())
        return {};
    const QByteArray data = resource.uncompressedData();
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data.constData(), std::size_t(data.size())))
        return {};
    png.format = PNG_FORMAT_RGBA;
    QImage image(int(png.width), int(png.height), QImage::Format_RGBA8888);
    // libpng frees what it holds on failure and at the end of the read.
    if (!png_image_finish_read(&png, nullptr, image.bits(), int(image.bytesPerLine()), nullptr))
        return {};
    return image;
#else
    return QImage(file);
#endif
}

} // namespace

QPixmap Artwork(const QString &name, QSize size)
{
    // The sizes the windows use come ready from the build.
    const QImage ready = Ready(name, size);
    if (!ready.isNull())
        return QPixmap::fromImage(ready);
    ++drawnAtRunTime;
    return Drawn(name, size);
}

int ArtworkDrawnAtRunTime()
{
    return drawnAtRunTime;
}
