#pragma once

#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

// One of the program's pictures (resources/art/<name>.svg) at the given
// pixel size: rasterised at build time for the sizes the windows use, else
// drawn now. Missing artwork yields a null pixmap.
QPixmap Artwork(const QString &name, QSize size);
// The same as an image, which any thread may make.
QImage ArtworkImage(const QString &name, QSize size);

// How many pictures this run has drawn because no build-time one had their
// size.
int ArtworkDrawnAtRunTime();
