#include "chart/DayCharts.h"

#include "chart/DayChartData.h"
#include "chart/DayChartShapes.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const QColor kOccupancyColour(0x1f, 0x5f, 0xa8);
const QColor kCapacityColour(0xc0, 0x39, 0x2b);
const QColor kEntriesColour(0x2e, 0x8b, 0x57);
const QColor kExitsColour(0xe0, 0x7b, 0x39);
const QColor kTextColour(0x33, 0x33, 0x33);
const QColor kAxisColour(0x80, 0x80, 0x80);
const QColor kGridColour(0xe4, 0xe4, 0xe4);

constexpr int kMargin = 6;
constexpr int kGap = 6;
constexpr int kTick = 4;
// 00:00 to 24:00 in steps of two hours: 13 ticks.
constexpr int kTimeSteps = 12;
constexpr int kHours = 24;
// Each hour's two bars side by side, as fractions of the hour's width.
constexpr double kBarsFrom = 0.15;
constexpr double kBarsMiddle = 0.5;
constexpr double kBarsTo = 0.85;

QString Number(double value)
{
    return QLocale(QLocale::German, QLocale::Germany).toString(static_cast<qlonglong>(std::llround(value)));
}

QFont TitleFont(QFont font)
{
    font.setBold(true);
    return font;
}

QPen LinePen(const QColor &colour, Qt::PenStyle style)
{
    QPen pen(colour, 2, style);
    // Sharp corners: the count changes in steps.
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

struct LegendEntry {
    QString name;
    // A line's pen; a bar's entry shows a box of its colour instead.
    QPen line = Qt::NoPen;
    QColor box;
};

// A plot in panel with room above it for the legend, left of it for the
// count axis' title and labels, and below it for the bottom axis' labels.
QRectF PlotIn(const QRect &panel, const CountScale &scale, const QFontMetrics &metrics, const QFontMetrics &title)
{
    const int labels = std::max(metrics.horizontalAdvance(Number(scale.top)), metrics.horizontalAdvance(Number(0)));
    const qreal left = panel.left() + kMargin + title.height() + kGap + labels + kGap + kTick;
    // Half of the last time label reaches past the plot.
    const qreal right = panel.right() + 1 - kMargin - metrics.horizontalAdvance(QStringLiteral("24:00")) / 2.0;
    const qreal top = panel.top() + kMargin + metrics.height() + kGap + metrics.height() / 2.0;
    const qreal bottom = panel.bottom() + 1 - kMargin - metrics.height() - kTick;
    return QRectF(left, top, std::max(right - left, 1.0), std::max(bottom - top, 1.0));
}

qreal CountY(const QRectF &plot, const CountScale &scale, double value)
{
    return plot.bottom() - value / scale.top * plot.height();
}

void PaintLegend(QPainter &painter, const QRect &panel, const std::vector<LegendEntry> &entries)
{
    constexpr int kSample = 24;
    constexpr int kSpacing = 20;
    const QFontMetrics metrics = painter.fontMetrics();
    int width = -kSpacing;
    for (const LegendEntry &entry : entries)
        width += kSample + kGap + metrics.horizontalAdvance(entry.name) + kSpacing;
    int x = panel.center().x() - width / 2;
    const int top = panel.top() + kMargin;
    const qreal middle = top + metrics.height() / 2.0;
    for (const LegendEntry &entry : entries) {
        if (entry.line.style() != Qt::NoPen) {
            painter.setPen(entry.line);
            painter.drawLine(QPointF(x, middle), QPointF(x + kSample, middle));
        } else {
            const int side = metrics.height() * 2 / 3;
            painter.fillRect(QRectF(x + (kSample - side) / 2.0, middle - side / 2.0, side, side), entry.box);
        }
        const int textWidth = metrics.horizontalAdvance(entry.name);
        painter.setPen(kTextColour);
        painter.drawText(QRect(x + kSample + kGap, top, textWidth, metrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                         entry.name);
        x += kSample + kGap + textWidth + kSpacing;
    }
}

// The count axis left of the plot, with its title, and its grid across the plot.
void PaintCountAxis(QPainter &painter, const QRect &panel, const QRectF &plot, const CountScale &scale,
                    const QString &title)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const int steps = static_cast<int>(std::lround(scale.top / scale.step));
    for (int step = 0; step <= steps; ++step) {
        const double value = step * scale.step;
        const qreal y = CountY(plot, scale, value);
        painter.setPen(step == 0 ? kAxisColour : kGridColour);
        painter.drawLine(QLineF(plot.left(), y, plot.right(), y));
        painter.setPen(kAxisColour);
        painter.drawLine(QLineF(plot.left() - kTick, y, plot.left(), y));
        painter.setPen(kTextColour);
        painter.drawText(QRectF(panel.left(), y - metrics.height() / 2.0, plot.left() - kTick - kGap - panel.left(),
                                metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, Number(value));
    }
    painter.setPen(kAxisColour);
    painter.drawLine(plot.topLeft(), plot.bottomLeft());

    painter.save();
    painter.setFont(TitleFont(painter.font()));
    painter.setPen(kTextColour);
    painter.translate(panel.left() + kMargin, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2, 0, plot.height(), painter.fontMetrics().height()), Qt::AlignCenter,
                     title);
    painter.restore();
}

// The time axis below the plot, with a grid line at each label.
void PaintTimeAxis(QPainter &painter, const QRectF &plot, std::int64_t startMs, std::int64_t endMs)
{
    const QFontMetrics metrics = painter.fontMetrics();
    for (int step = 0; step <= kTimeSteps; ++step) {
        const qreal x = plot.left() + plot.width() * step / kTimeSteps;
        painter.setPen(step == 0 ? kAxisColour : kGridColour);
        painter.drawLine(QLineF(x, plot.top(), x, plot.bottom()));
        painter.setPen(kAxisColour);
        painter.drawLine(QLineF(x, plot.bottom(), x, plot.bottom() + kTick));
        // The day's end is its midnight, which reads better as the hour it ends.
        const QString label =
            step == kTimeSteps
                ? QStringLiteral("24:00")
                : QDateTime::fromMSecsSinceEpoch(startMs + (endMs - startMs) * step / kTimeSteps)
                      .toString(QStringLiteral("HH:mm"));
        painter.setPen(kTextColour);
        painter.drawText(QRectF(x - 50, plot.bottom() + kTick, 100, metrics.height()), Qt::AlignHCenter | Qt::AlignTop,
                         label);
    }
    painter.setPen(kAxisColour);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
}

// The hours below the plot, each label centred under its bars.
void PaintHourAxis(QPainter &painter, const QRectF &plot)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const qreal cell = plot.width() / kHours;
    // On a narrow chart only every other (or third...) hour is named.
    const qreal label = metrics.horizontalAdvance(QStringLiteral("00")) + kGap;
    const int every = std::max(1, static_cast<int>(std::ceil(label / cell)));
    for (int hour = 0; hour <= kHours; ++hour) {
        const qreal x = plot.left() + cell * hour;
        painter.setPen(kAxisColour);
        painter.drawLine(QLineF(x, plot.bottom(), x, plot.bottom() + kTick));
        if (hour == kHours || hour % every != 0)
            continue;
        painter.setPen(kTextColour);
        painter.drawText(QRectF(x, plot.bottom() + kTick, cell, metrics.height()), Qt::AlignHCenter | Qt::AlignTop,
                         QStringLiteral("%1").arg(hour, 2, 10, QLatin1Char('0')));
    }
    painter.setPen(kAxisColour);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
}

void PaintLine(QPainter &painter, const QRectF &plot, const QList<QPointF> &points, std::int64_t startMs,
               std::int64_t endMs, const CountScale &scale, const QPen &pen)
{
    const double span = static_cast<double>(endMs - startMs);
    QPolygonF line;
    line.reserve(points.size());
    for (const QPointF &point : points)
        line.append(QPointF(plot.left() + (point.x() - static_cast<double>(startMs)) / span * plot.width(),
                            CountY(plot, scale, point.y())));
    painter.setPen(pen);
    painter.drawPolyline(PerPixelColumn(line));
}

void PaintBars(QPainter &painter, const QRectF &plot, const std::array<int, 24> &values, const CountScale &scale,
               const QColor &colour, double from, double to)
{
    const qreal cell = plot.width() / kHours;
    for (int hour = 0; hour < kHours; ++hour) {
        const int value = values[static_cast<std::size_t>(hour)];
        if (value > 0)
            painter.fillRect(QRectF(QPointF(plot.left() + cell * (hour + from), CountY(plot, scale, value)),
                                    QPointF(plot.left() + cell * (hour + to), plot.bottom())),
                             colour);
    }
}

} // namespace

DayCharts::DayCharts(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DayCharts::Show(const DayChartData &data, std::int64_t dayStartMs, std::int64_t dayEndMs,
                     std::int64_t heldUntilMs)
{
    dayStartMs_ = dayStartMs;
    dayEndMs_ = std::max(dayEndMs, dayStartMs + 1);
    heldUntilMs = std::min(heldUntilMs, dayEndMs);
    occupancy_ = DrawnLine(data.Occupancy(), heldUntilMs);
    capacity_ = DrawnLine(data.Capacity(), heldUntilMs);
    counts_ = FitCounts(std::max(data.Peak() ? data.Peak()->count : 0, data.HighestCapacity()));
    entries_ = data.EntriesPerHour();
    exits_ = data.ExitsPerHour();
    passages_ = FitCounts(std::max(*std::max_element(entries_.begin(), entries_.end()),
                                   *std::max_element(exits_.begin(), exits_.end())));
    update();
}

void DayCharts::Clear(std::int64_t dayStartMs, std::int64_t dayEndMs)
{
    Show(DayChartData(), dayStartMs, dayEndMs, dayStartMs);
}

QList<QPointF> DayCharts::OccupancyPoints() const
{
    return occupancy_;
}

QList<QPointF> DayCharts::CapacityPoints() const
{
    return capacity_;
}

int DayCharts::EntriesAt(int hour) const
{
    return entries_.at(static_cast<std::size_t>(hour));
}

int DayCharts::ExitsAt(int hour) const
{
    return exits_.at(static_cast<std::size_t>(hour));
}

// The count over the day above the hours' bars, three to two.
QRect DayCharts::LinePanel() const
{
    return QRect(0, 0, width(), height() * 3 / 5);
}

QRect DayCharts::BarPanel() const
{
    const int top = LinePanel().bottom() + 1;
    return QRect(0, top, width(), height() - top);
}

QRectF DayCharts::LinePlot() const
{
    return PlotIn(LinePanel(), counts_, fontMetrics(), QFontMetrics(TitleFont(font())));
}

QRectF DayCharts::BarPlot() const
{
    return PlotIn(BarPanel(), passages_, fontMetrics(), QFontMetrics(TitleFont(font())));
}

void DayCharts::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QPen occupancyPen = LinePen(kOccupancyColour, Qt::SolidLine);
    const QPen capacityPen = LinePen(kCapacityColour, Qt::DashLine);

    const QRect linePanel = LinePanel();
    const QRectF linePlot = LinePlot();
    PaintCountAxis(painter, linePanel, linePlot, counts_, QStringLiteral("Personen"));
    PaintTimeAxis(painter, linePlot, dayStartMs_, dayEndMs_);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintLegend(painter, linePanel,
                {{QStringLiteral("Personen in der Halle"), occupancyPen, {}},
                 {QStringLiteral("Kapazität"), capacityPen, {}}});
    painter.save();
    painter.setClipRect(linePlot.adjusted(-1, -2, 1, 2));
    // The count over the capacity, where the two meet.
    PaintLine(painter, linePlot, capacity_, dayStartMs_, dayEndMs_, counts_, capacityPen);
    PaintLine(painter, linePlot, occupancy_, dayStartMs_, dayEndMs_, counts_, occupancyPen);
    painter.restore();
    painter.setRenderHint(QPainter::Antialiasing, false);

    const QRect barPanel = BarPanel();
    const QRectF barPlot = BarPlot();
    PaintCountAxis(painter, barPanel, barPlot, passages_, QStringLiteral("Durchgänge"));
    PaintHourAxis(painter, barPlot);
    PaintBars(painter, barPlot, entries_, passages_, kEntriesColour, kBarsFrom, kBarsMiddle);
    PaintBars(painter, barPlot, exits_, passages_, kExitsColour, kBarsMiddle, kBarsTo);
    PaintLegend(painter, barPanel,
                {{QStringLiteral("Eintritte"), Qt::NoPen, kEntriesColour},
                 {QStringLiteral("Austritte"), Qt::NoPen, kExitsColour}});
}
