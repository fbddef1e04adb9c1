#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

class QPaintDevice;

// The largest pixel size, at most designPixels, at which text in font fits
// into width; designPixels itself whenever the text fits at that size.
int FittingPixelSize(QFont font, int designPixels, const QString &text, int width);

// The largest point size, at most points, at which each of lines in font
// fits into width on device, so that none of them wraps; points itself
// whenever they fit at that size, 1 at the least.
int FittingPointSize(QFont font, int points, const QStringList &lines, int width, const QPaintDevice *device);
