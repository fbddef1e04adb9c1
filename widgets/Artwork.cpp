#include "widgets/Artwork.h"

#include <QImage>
#include <QResource>
#ifndef PONTRA_ARTWORK_PNG
#include <QPainter>
#include <QSvgRenderer>
#endif

#include <atomic>
#include <cstddef>
#ifdef PONTRA_LIBPNG
#include <png.h>
#endif

namespace {

// The display's stop picture is made on a thread of its own.
std::atomic<int> drawnAtRunTime = 0;

#ifdef PONTRA_ARTWORK_PNG
// A build without Qt's SVG module carries the pictures rasterised at build
// time, large enough for a TV, and scales them here.
QImage Drawn(const QString &name, QSize size)
{
    const QImage image(QStringLiteral(":/art/%1.png").arg(name));
    if (image.isNull())
        return {};
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
#else
QImage Drawn(const QString &name, QSize size)
{
    QSvgRenderer renderer(QStringLiteral(":/art/%1.svg").arg(name));
    if (!renderer.isValid())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
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

QImage ArtworkImage(const QString &name, QSize size)
{
    // The sizes the windows use come ready from the build.
    QImage ready = Ready(name, size);
    if (!ready.isNull())
        return ready;
    ++drawnAtRunTime;
    return Drawn(name, size);
}

QPixmap Artwork(const QString &name, QSize size)
{
    return QPixmap::fromImage(ArtworkImage(name, size));
}

int ArtworkDrawnAtRunTime()
{
    return drawnAtRunTime;
}
