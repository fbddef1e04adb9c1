#pragma once

#include <QList>
#include <QRect>

#include <optional>

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

// The public display's monitor among monitors: the chosen one, or without a
// choice the first that does not hold operatorCentre (the middle of the
// operator's window). -1 when there is none: the chosen one is not
// attached, or there is no monitor but the operator's.
int DisplayMonitorIndex(const QList<QRect> &monitors, std::optional<int> chosen, QPoint operatorCentre);
