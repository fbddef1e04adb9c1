#pragma once

class QRect;
class QWidget;

// Centres a dialog over its parent window, on the parent's monitor; without a
// visible parent, on the primary monitor.
void CenterOverParent(QWidget *dialog);

// Centres a dialog on the monitor that holds its parent window; without a
// visible parent, on the primary monitor.
void CenterOnParentsMonitor(QWidget *dialog);

// Centres a window's frame over area, moved as far as needed to lie on the
// monitor that holds the area's centre rather than spill onto a neighbour.
void CenterOver(QWidget *window, const QRect &area);
