#pragma once

#include "chart/DayChartShapes.h"

#include <QColor>
#include <QList>
#include <QPen>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

class QFont;
class QFontMetrics;
class QPainter;

// The painting of the day's charts, on any painter: the window's painted
// charts and the report's pages draw with it, so that both look the same.
// Sizes are in the painter's device pixels.
inline const QColor kOccupancyColour(0x1f, 0x5f, 0xa8);
inline const QColor kCapacityColour(0xc0, 0x39, 0x2b);
inline const QColor kEntriesColour(0x2e, 0x8b, 0x57);
inline const QColor kExitsColour(0xe0, 0x7b, 0x39);
inline const QColor kTextColour(0x33, 0x33, 0x33);

// Each cell's two bars side by side, as fractions of the cell's width, or
// its one bar across both.
inline constexpr double kBarsFrom = 0.15;
inline constexpr double kBarsMiddle = 0.5;
inline constexpr double kBarsTo = 0.85;

QFont TitleFont(QFont font);
QPen LinePen(const QColor &colour, Qt::PenStyle style);

struct LegendEntry {
    QString name;
    // A line's pen; a bar's entry shows a box of its colour instead.
    QPen line = Qt::NoPen;
    QColor box;
};

// A plot in panel with room above it for the legend, left of it for the
// count axis' title and labels, and below it for the bottom axis' labels.
QRectF PlotIn(const QRect &panel, const CountScale &scale, const QFontMetrics &metrics, const QFontMetrics &title);

void PaintLegend(QPainter &painter, const QRect &panel, const std::vector<LegendEntry> &entries);
// The count axis left of the plot, with its title, and its grid across the plot.
void PaintCountAxis(QPainter &painter, const QRect &panel, const QRectF &plot, const CountScale &scale,
                    const QString &title);
// The time from startMs to endMs (milliseconds since the epoch) below the
// plot, with a grid line at each label.
void PaintTimeAxis(QPainter &painter, const QRectF &plot, std::int64_t startMs, std::int64_t endMs);
// Cells side by side below the plot (the hours, the days), each label
// centred under its cell; on a narrow plot only every other (or third...)
// is named.
void PaintCellAxis(QPainter &painter, const QRectF &plot, const QStringList &labels);
// A line through points (milliseconds since the epoch, count).
void PaintLine(QPainter &painter, const QRectF &plot, const QList<QPointF> &points, std::int64_t startMs,
               std::int64_t endMs, const CountScale &scale, const QPen &pen);
// A bar per cell from its fraction from to to; none where a value is 0.
void PaintBars(QPainter &painter, const QRectF &plot, const std::vector<double> &values, const CountScale &scale,
               const QColor &colour, double from, double to);

// The count against the capacity over a day in panel, as the window shows it.
void PaintCountChart(QPainter &painter, const QRect &panel, const QRectF &plot, const QList<QPointF> &occupancy,
                     const QList<QPointF> &capacity, std::int64_t startMs, std::int64_t endMs,
                     const CountScale &scale);
// The entries and exits of each cell (an hour, a day) as bars in panel.
void PaintPassageChart(QPainter &painter, const QRect &panel, const QRectF &plot, const QStringList &cells,
                       const std::vector<double> &entries, const std::vector<double> &exits, const CountScale &scale);

// "00" to "23".
QStringList HourLabels();
