#pragma once

#include <QFont>
#include <QString>

// The largest pixel size, at most designPixels, at which text in font fits
// into width; designPixels itself whenever the text fits at that size.
int FittingPixelSize(QFont font, int designPixels, const QString &text, int width);
