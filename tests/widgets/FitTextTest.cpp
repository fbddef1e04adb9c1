#include "widgets/FitText.h"
#include "widgets/PixelFont.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

namespace {

// The answer by definition: the first size from the top at which the text
// fits, trying every one down to 7; 6 when none of them does.
int LargestFittingByTrial(QFont font, int designPixels, const QString &text, int width)
{
    int pixels = designPixels;
    for (; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).horizontalAdvance(text) <= width)
            break;
    }
    return pixels;
}

} // namespace

// The counts the main window shows, in the width of its field: the same size
// as trying each one in turn. Every count up to four digits, every seventh
// of five (each digit of every decade among them).
TEST(FitText, CountsGetTheLargestSizeThatFits)
{
    const QFont font = PixelFont(QStringLiteral("Arial"), 59);
    constexpr int kFieldWidth = 112;
    for (int count = 0; count <= 99'999; count += count < 10'000 ? 1 : 7) {
        const QString text = QString::number(count);
        ASSERT_EQ(FittingPixelSize(font, 59, text, kFieldWidth), LargestFittingByTrial(font, 59, text, kFieldWidth))
            << count;
    }
}

// Narrow and wide fields, short and long texts, bold, and a design size at
// the smallest: down to the smallest size when nothing fits.
TEST(FitText, OtherWidthsAndTextsGetTheLargestSizeThatFits)
{
    const QStringList texts{QStringLiteral("1"), QStringLiteral("88888"), QStringLiteral("-2147483648"),
                            QStringLiteral("COM12 (/dev/ttyUSB7)"), QStringLiteral("Wäßrige Ölung"), QString()};
    for (const bool bold : {false, true}) {
        for (const int design : {6, 7, 8, 16, 59, 120}) {
            const QFont font = PixelFont(QStringLiteral("Arial"), design, bold);
            for (const QString &text : texts) {
                for (int width = -1; width <= 400; width += 3) {
                    ASSERT_EQ(FittingPixelSize(font, design, text, width),
                              LargestFittingByTrial(font, design, text, width))
                        << text.toStdString() << " in " << width << " at " << design << (bold ? " bold" : "");
                }
            }
        }
    }
}
