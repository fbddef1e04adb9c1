#include "chart/DayChartShapes.h"

#include <algorithm>
#include <cmath>

CountScale FitCounts(double highest)
{
    highest = std::max(highest, 1.0);
    const double rough = highest / 5;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = power;
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        step = factor * power;
        if (step >= rough)
            break;
    }
    step = std::max(step, 1.0);
    return {step, std::ceil(highest * 1.05 / step) * step};
}

QList<QPointF> DrawnLine(const StepLine &line, std::int64_t heldUntilMs)
{
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(line.Points().size()) + 1);
    for (const ChartPoint &point : line.Points())
        points.append(QPointF(static_cast<qreal>(point.ms), point.value));
    if (!line.Empty() && heldUntilMs > line.Points().back().ms)
        points.append(QPointF(static_cast<qreal>(heldUntilMs), line.Last()));
    return points;
}

QPolygonF PerPixelColumn(const QPolygonF &line)
{
    QPolygonF kept;
    kept.reserve(line.size());
    qsizetype last = -1;
    for (qsizetype begin = 0, end = 0; begin < line.size(); begin = end) {
        const double column = std::floor(line[begin].x());
        qsizetype lowest = begin, highest = begin;
        for (end = begin + 1; end < line.size() && std::floor(line[end].x()) == column; ++end) {
            if (line[end].y() < line[lowest].y())
                lowest = end;
            if (line[end].y() > line[highest].y())
                highest = end;
        }
        for (const qsizetype index : {begin, std::min(lowest, highest), std::max(lowest, highest), end - 1}) {
            if (index > last) {
                kept.append(line[index]);
                last = index;
            }
        }
    }
    return kept;
}
