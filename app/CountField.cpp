#include "app/CountField.h"

#include "display/TFormMonitor2.h"
#include "hall/OccupancyState.h"
#include "widgets/FitText.h"
#include "widgets/PixelFont.h"

namespace {

constexpr int kDesignPixels = 59;

} // namespace

CountField::CountField(QWidget *parent) : QLabel(QStringLiteral("0"), parent)
{
    setFont(PixelFont(QStringLiteral("Arial"), kDesignPixels));
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
}

void CountField::SetCount(const QString &count)
{
    // A new font or palette costs the label a relayout: set only when it differs.
    const int pixels = FittingPixelSize(font(), kDesignPixels, count, contentsRect().width() - 4);
    if (font().pixelSize() != pixels) {
        QFont fitting = font();
        fitting.setPixelSize(pixels);
        setFont(fitting);
    }
    setText(count);
}

void CountField::Colour(std::int32_t count, std::int32_t capacity, int warnPercent)
{
    QColor colour = Qt::white;
    if (warnPercent > 0) {
        switch (OccupancyStateOf(count, capacity, warnPercent)) {
        case OccupancyState::NearlyFull:
            colour = ToQColor(TFormMonitor2::kNearlyFullColour);
            break;
        case OccupancyState::Full:
            colour = Qt::red;
            break;
        case OccupancyState::Open:
            break;
        }
    }
    if (palette().color(QPalette::WindowText) == colour)
        return;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, colour);
    setPalette(pal);
}
