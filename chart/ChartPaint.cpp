#include "chart/ChartPaint.h"

#include <QDateTime>
#include <QFont>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace {

const QColor kAxisColour(0x80, 0x80, 0x80);
const QColor kGridColour(0xe4, 0xe4, 0xe4);

constexpr int kMargin = 6;
constexpr int kGap = 6;
constexpr int kTick = 4;
// 00:00 to 24:00 in steps of two hours: 13 ticks.
constexpr int kTimeSteps = 12;

QString Number(double value)
{
    return QLocale(QLocale::German, QLocale::Germany).toString(static_cast<qlonglong>(std::llround(value)));
}

qreal CountY(const QRectF &plot, const CountScale &scale, double value)
{
    return plot.bottom() - value / scale.top * plot.height();
}

} // namespace

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

void PaintCellAxis(QPainter &painter, const QRectF &plot, const QStringList &labels)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const qsizetype cells = std::max<qsizetype>(labels.size(), 1);
    const qreal cell = plot.width() / static_cast<qreal>(cells);
    int widest = 0;
    for (const QString &label : labels)
        widest = std::max(widest, metrics.horizontalAdvance(label));
    const int every = std::max(1, static_cast<int>(std::ceil((widest + kGap) / cell)));
    for (qsizetype index = 0; index <= cells; ++index) {
        const qreal x = plot.left() + cell * static_cast<qreal>(index);
        painter.setPen(kAxisColour);
        painter.drawLine(QLineF(x, plot.bottom(), x, plot.bottom() + kTick));
        if (index == labels.size() || index % every != 0)
            continue;
        painter.setPen(kTextColour);
        painter.drawText(QRectF(x, plot.bottom() + kTick, cell, metrics.height()), Qt::AlignHCenter | Qt::AlignTop,
                         labels[index]);
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

void PaintBars(QPainter &painter, const QRectF &plot, const std::vector<double> &values, const CountScale &scale,
               const QColor &colour, double from, double to)
{
    const qreal cell = plot.width() / static_cast<qreal>(std::max<std::size_t>(values.size(), 1));
    for (std::size_t index = 0; index < values.size(); ++index) {
        const double value = values[index];
        const auto left = static_cast<qreal>(index);
        if (value > 0)
            painter.fillRect(QRectF(QPointF(plot.left() + cell * (left + from), CountY(plot, scale, value)),
                                    QPointF(plot.left() + cell * (left + to), plot.bottom())),
                             colour);
    }
}

void PaintCountChart(QPainter &painter, const QRect &panel, const QRectF &plot, const QList<QPointF> &occupancy,
                     const QList<QPointF> &capacity, std::int64_t startMs, std::int64_t endMs,
                     const CountScale &scale)
{
    const QPen occupancyPen = LinePen(kOccupancyColour, Qt::SolidLine);
    const QPen capacityPen = LinePen(kCapacityColour, Qt::DashLine);
    PaintCountAxis(painter, panel, plot, scale, QStringLiteral("Personen"));
    PaintTimeAxis(painter, plot, startMs, endMs);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    PaintLegend(painter, panel,
                {{QStringLiteral("Personen in der Halle"), occupancyPen, {}},
                 {QStringLiteral("Kapazität"), capacityPen, {}}});
    painter.setClipRect(plot.adjusted(-1, -2, 1, 2));
    // The count over the capacity, where the two meet.
    PaintLine(painter, plot, capacity, startMs, endMs, scale, capacityPen);
    PaintLine(painter, plot, occupancy, startMs, endMs, scale, occupancyPen);
    painter.restore();
}

void PaintPassageChart(QPainter &painter, const QRect &panel, const QRectF &plot, const QStringList &cells,
                       const std::vector<double> &entries, const std::vector<double> &exits, const CountScale &scale)
{
    PaintCountAxis(painter, panel, plot, scale, QStringLiteral("Durchgänge"));
    PaintCellAxis(painter, plot, cells);
    PaintBars(painter, plot, entries, scale, kEntriesColour, kBarsFrom, kBarsMiddle);
    PaintBars(painter, plot, exits, scale, kExitsColour, kBarsMiddle, kBarsTo);
    PaintLegend(painter, panel,
                {{QStringLiteral("Eintritte"), Qt::NoPen, kEntriesColour},
                 {QStringLiteral("Austritte"), Qt::NoPen, kExitsColour}});
}

QStringList HourLabels()
{
    QStringList labels;
    for (int hour = 0; hour < 24; ++hour)
        labels.append(QStringLiteral("%1").arg(hour, 2, 10, QLatin1Char('0')));
    return labels;
}
