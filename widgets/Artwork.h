#pragma once

#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

// Renders one of the program's pictures (resources/art/<name>.svg) at the
// given pixel size. Missing artwork yields a null pixmap.
QPixmap Artwork(const QString &name, QSize size);
// The same as an image, which any thread may make.
QImage ArtworkImage(const QString &name, QSize size);
