#include "widgets/Artwork.h"

#ifdef PONTRA_ARTWORK_PNG
#include <QImage>
#else
#include <QPainter>
#include <QSvgRenderer>
#endif

#ifdef PONTRA_ARTWORK_PNG
// A build without Qt's SVG module carries the pictures rasterised at build
// time, large enough for a TV, and scales them here.
QImage ArtworkImage(const QString &name, QSize size)
{
    const QImage image(QStringLiteral(":/art/%1.png").arg(name));
    if (image.isNull())
        return {};
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
#else
QImage ArtworkImage(const QString &name, QSize size)
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

QPixmap Artwork(const QString &name, QSize size)
{
    return QPixmap::fromImage(ArtworkImage(name, size));
}
