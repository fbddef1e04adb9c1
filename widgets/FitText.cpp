#include "widgets/FitText.h"

#include <QFontMetrics>

int FittingPixelSize(QFont font, int designPixels, const QString &text, int width)
{
    int pixels = designPixels;
    for (; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).horizontalAdvance(text) <= width)
            break;
    }
    return pixels;
}
