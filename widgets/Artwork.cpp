#include "widgets/Artwork.h"

#include <QPainter>
#include <QSvgRenderer>

QPixmap Artwork(const QString &name, QSize size)
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
