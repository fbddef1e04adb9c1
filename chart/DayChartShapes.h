#pragma once

#include "chart/StepLine.h"

#include <QList>
#include <QPointF>
#include <QPolygonF>

#include <cstdint>

// What both drawings of the day's charts take from a day: the count axes'
// scale and the lines' points.

// A count axis from 0 to top in steps of step.
struct CountScale {
    double step = 1;
    double top = 1;
};

// A range from 0 that holds highest, in whole steps of 1, 2 or 5 times a
// power of ten, about five of them, so that every label is a whole number.
CountScale FitCounts(double highest);

// The points that draw a step line: its own, and its last value held until
// heldUntilMs (milliseconds since the epoch, as every point's x).
QList<QPointF> DrawnLine(const StepLine &line, std::int64_t heldUntilMs);

// A line in device pixels with the points that fall into one pixel column
// cut to the first, the lowest, the highest and the last of them, in the
// order they came: the column's stroke spans the same pixels, and a busy
// day's line is drawn in a fraction of the time.
QPolygonF PerPixelColumn(const QPolygonF &line);
