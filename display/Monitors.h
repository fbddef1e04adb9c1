#pragma once

#include <QList>
#include <QRect>

// The attached monitors in the platform's order (the primary one first) and
// each one's full rectangle in desktop coordinates, taskbars included.
int MonitorCount();
// The rectangle of the monitor at index, or of the primary monitor when no
// monitor has that index any more.
QRect MonitorRect(int index);
// The primary monitor's rectangle; empty without any monitor.
QRect PrimaryMonitorRect();
// Every attached monitor's rectangle, in the platform's order.
QList<QRect> MonitorRects();
