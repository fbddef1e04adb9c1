#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

#include <optional>

class QEvent;
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

// Where a frame of this size lies wholly on monitor without covering any of
// avoid: beside it to the right or left, else below or above it, level with
// it as far as the monitor allows. None when the monitor has no such room.
std::optional<QPoint> PlaceBeside(const QRect &avoid, QSize frame, const QRect &monitor);

// Places a window beside area (see PlaceBeside) on the monitor that holds
// area's centre; centred over it where there is no room beside it.
void PlaceBesideOrOver(QWidget *window, const QRect &area);

// Where a window whose frame of this size has its top-left corner at place
// can be reached: that place while enough of its title bar (titleHeight
// high) lies on one monitor to grab it, else the place nearest to it where
// the whole frame lies on the nearest monitor. The monitor at index avoid
// (the public display's) is taken only when there is no other. Any place
// the 32-bit range holds is fine, far off as it may be.
QPoint ReachablePosition(QPoint place, QSize frame, int titleHeight, const QList<QRect> &monitors, int avoid = -1);

// For a modal dialog's changeEvent: a dialog that the window manager
// minimised comes back at once, since with the keys blocked by it nothing
// else would bring it back.
void KeepDialogUnminimised(QWidget *dialog, QEvent *event);

// Shows again, not minimised and above owner, every visible window that
// belongs to owner (its transient parent): a window manager that minimised
// them together with owner leaves them minimised when owner comes back from
// hiding, and without a taskbar nothing else brings them back. Call it once
// owner is shown and raised.
void RestoreOwnedWindows(const QWidget *owner);
