#include "widgets/FitText.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>

int FittingPixelSize(QFont font, int designPixels, const QString &text, int width)
{
    constexpr int kSmallest = 6;
    const auto advance = [&](int pixels) {
        font.setPixelSize(pixels);
        return QFontMetrics(font).horizontalAdvance(text);
    };
    if (designPixels <= kSmallest)
        return designPixels;
    const int atDesign = advance(designPixels);
    if (atDesign <= width)
        return designPixels;
    // Text grows about in proportion to its size: start near the answer and
    // step to it, rather than shape the text at every size on the way down.
    int pixels = std::max(kSmallest + 1, std::min(designPixels * width / std::max(atDesign, 1), designPixels - 1));
    if (advance(pixels) <= width) {
        while (pixels + 1 < designPixels && advance(pixels + 1) <= width)
            ++pixels;
        return pixels;
    }
    while (pixels - 1 > kSmallest && advance(pixels - 1) > width)
        --pixels;
    return pixels - 1;
}

int FittingPointSize(QFont font, int points, const QStringList &lines, int width, const QPaintDevice *device)
{
    const auto widest = [&](int size) {
        font.setPointSize(size);
        const QFontMetricsF metrics(font, device);
        qreal widest = 0;
        for (const QString &line : lines)
            widest = std::max(widest, metrics.horizontalAdvance(line));
        return widest;
    };
    if (points <= 1)
        return 1;
    const qreal atPoints = widest(points);
    if (atPoints <= width)
        return points;
    // Text grows about in proportion to its size: start near the answer.
    int size = std::clamp(static_cast<int>(std::floor(points * width / atPoints)), 1, points - 1);
    while (size > 1 && widest(size) > width)
        --size;
    return size;
}
