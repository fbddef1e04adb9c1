#include "dialogs/WindowPlacement.h"

#include "display/Monitors.h"

#include <QApplication>
#include <QEvent>
#include <QMargins>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

const QWidget *visibleParentWindow(const QWidget *dialog)
{
    const QWidget *parent = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
    return parent && parent->isVisible() ? parent : nullptr;
}

// The monitor that holds point; empty when none does.
QRect monitorAt(QPoint point)
{
    for (const QRect &monitor : MonitorRects()) {
        if (monitor.contains(point))
            return monitor;
    }
    return {};
}

QMargins frameMargins(const QWidget *window)
{
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
            frame.bottom() - client.bottom()};
}

// A window's frame margins; before its first showing, when they are not known
// yet, its parent's stand in for them.
QMargins expectedFrameMargins(const QWidget *window)
{
    const QMargins margins = frameMargins(window);
    if (margins.isNull() && window->parentWidget())
        return frameMargins(window->parentWidget()->window());
    return margins;
}

// Moves a window so that its frame's top-left corner is at place.
void moveFrame(QWidget *window, QPoint place)
{
    // Before the first showing a move places the client area.
    const bool frameKnown = !frameMargins(window).isNull();
    const QMargins margins = expectedFrameMargins(window);
    window->move(frameKnown ? place : place + QPoint(margins.left(), margins.top()));
}

} // namespace

void CenterOverParent(QWidget *dialog)
{
    const QWidget *parent = visibleParentWindow(dialog);
    const QRect area = parent ? parent->frameGeometry() : PrimaryMonitorRect();
    if (!area.isEmpty())
        CenterOver(dialog, area);
}

void CenterOnParentsMonitor(QWidget *dialog)
{
    const QWidget *parent = visibleParentWindow(dialog);
    QRect area = parent ? monitorAt(parent->frameGeometry().center()) : QRect();
    if (area.isEmpty())
        area = PrimaryMonitorRect();
    if (!area.isEmpty())
        CenterOver(dialog, area);
}

void CenterOver(QWidget *window, const QRect &area)
{
    // Before its first showing a window's frame is not known yet, and a
    // move places its client area; the parent's frame stands in for it, so
    // that the first showing lands where the later ones do.
    QRect frame = window->geometry().marginsAdded(expectedFrameMargins(window));
    frame.moveCenter(area.center());
    const QRect monitor = monitorAt(area.center());
    if (!monitor.isEmpty()) {
        frame.moveRight(std::min(frame.right(), monitor.right()));
        frame.moveBottom(std::min(frame.bottom(), monitor.bottom()));
        frame.moveLeft(std::max(frame.left(), monitor.left()));
        frame.moveTop(std::max(frame.top(), monitor.top()));
    }
    moveFrame(window, frame.topLeft());
}

std::optional<QPoint> PlaceBeside(const QRect &avoid, QSize frame, const QRect &monitor)
{
    const auto clamp = [](int value, int low, int high) { return std::max(low, std::min(value, high)); };
    // Level with the area, moved only as far as the monitor needs.
    const int level = clamp(avoid.top(), monitor.top(), monitor.bottom() + 1 - frame.height());
    const int aligned = clamp(avoid.left(), monitor.left(), monitor.right() + 1 - frame.width());
    const QPoint candidates[] = {
        {avoid.right() + 1, level},
        {avoid.left() - frame.width(), level},
        {aligned, avoid.bottom() + 1},
        {aligned, avoid.top() - frame.height()},
    };
    for (const QPoint &place : candidates) {
        const QRect placed(place, frame);
        if (monitor.contains(placed) && !placed.intersects(avoid))
            return place;
    }
    return std::nullopt;
}

void PlaceBesideOrOver(QWidget *window, const QRect &area)
{
    const QRect monitor = monitorAt(area.center());
    const QSize frame = window->geometry().marginsAdded(expectedFrameMargins(window)).size();
    if (const std::optional<QPoint> place = monitor.isEmpty() ? std::nullopt : PlaceBeside(area, frame, monitor))
        moveFrame(window, *place);
    else
        CenterOver(window, area);
}

QPoint ReachablePosition(QPoint place, QSize frame, int titleHeight, const QList<QRect> &monitors, int avoid)
{
    // As much of the title bar as an operator needs to take hold of it.
    constexpr qint64 kGrip = 100;
    // In 64 bits throughout: a stored place can lie near the 32-bit limits,
    // where a sum or difference of two coordinates no longer fits.
    const qint64 left = place.x();
    const qint64 top = place.y();
    const qint64 width = frame.width();
    const qint64 height = frame.height();
    const qint64 grip = std::min(kGrip, width);
    for (const QRect &monitor : monitors) {
        const qint64 shared = std::min<qint64>(left + width, qint64(monitor.left()) + monitor.width())
                              - std::max<qint64>(left, monitor.left());
        if (top >= monitor.top() && top + titleHeight <= qint64(monitor.top()) + monitor.height() && shared >= grip)
            return place;
    }
    const qint64 centreX = left + width / 2;
    const qint64 centreY = top + height / 2;
    const QRect *nearest = nullptr;
    double nearestDistance = 0;
    for (qsizetype index = 0; index < monitors.size(); ++index) {
        if (index == avoid && monitors.size() > 1)
            continue;
        const QRect &monitor = monitors[index];
        const qint64 dx = std::max<qint64>({monitor.left() - centreX, 0, centreX - monitor.right()});
        const qint64 dy = std::max<qint64>({monitor.top() - centreY, 0, centreY - monitor.bottom()});
        // Up to 2^32 each: their squares need floating point.
        const double distance = double(dx) * double(dx) + double(dy) * double(dy);
        if (!nearest || distance < nearestDistance) {
            nearest = &monitor;
            nearestDistance = distance;
        }
    }
    if (!nearest)
        return place;
    // Fully on that monitor; its top-left corner when the frame is larger.
    const qint64 x = std::max<qint64>(nearest->left(), std::min<qint64>(left, qint64(nearest->right()) + 1 - width));
    const qint64 y = std::max<qint64>(nearest->top(), std::min<qint64>(top, qint64(nearest->bottom()) + 1 - height));
    return {int(x), int(y)};
}

void KeepDialogUnminimised(QWidget *dialog, QEvent *event)
{
    if (event->type() != QEvent::WindowStateChange || !dialog->isMinimized())
        return;
    QTimer::singleShot(0, dialog, [dialog] {
        if (!dialog->isVisible() || !dialog->isMinimized())
            return;
        dialog->showNormal();
        dialog->raise();
        dialog->activateWindow();
    });
}

void RestoreOwnedWindows(const QWidget *owner)
{
    const QWindow *ownerWindow = owner->windowHandle();
    if (!ownerWindow)
        return;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        const QWindow *handle = window->windowHandle();
        if (window == owner || !handle || handle->transientParent() != ownerWindow || !window->isVisible())
            continue;
        if (window->isMinimized())
            window->showNormal();
        // A window manager that forgot whose it is while owner was away
        // keeps it under owner, stay-on-top as that is: shown anew, it is
        // taken for owner's again. Not a modal one, whose loop would end.
        if (!window->isModal()) {
            window->hide();
            window->show();
        }
        window->raise();
    }
}
