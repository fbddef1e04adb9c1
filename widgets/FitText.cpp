#include "widgets/FitText.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>

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
