#include "dialogs/WindowPlacement.h"

#include "display/Monitors.h"

#include <QEvent>
#include <QMargins>
#include <QTimer>
#include <QWidget>

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
    QMargins margins = frameMargins(window);
    const bool frameKnown = !margins.isNull();
    if (!frameKnown && window->parentWidget())
        margins = frameMargins(window->parentWidget()->window());
    QRect frame = window->geometry().marginsAdded(margins);
    frame.moveCenter(area.center());
    const QRect monitor = monitorAt(area.center());
    if (!monitor.isEmpty()) {
        frame.moveRight(std::min(frame.right(), monitor.right()));
        frame.moveBottom(std::min(frame.bottom(), monitor.bottom()));
        frame.moveLeft(std::max(frame.left(), monitor.left()));
        frame.moveTop(std::max(frame.top(), monitor.top()));
    }
    window->move(frameKnown ? frame.topLeft() : frame.topLeft() + QPoint(margins.left(), margins.top()));
}

QPoint ReachablePosition(const QRect &frame, int titleHeight, const QList<QRect> &monitors)
{
    // As much of the title bar as an operator needs to take hold of it.
    constexpr int kGrip = 100;
    const QRect titleBar(frame.topLeft(), QSize(frame.width(), titleHeight));
    const int grip = std::min(kGrip, frame.width());
    const QPoint centre = frame.center();
    const QRect *nearest = nullptr;
    long long nearestDistance = 0;
    for (const QRect &monitor : monitors) {
        const QRect onMonitor = titleBar.intersected(monitor);
        if (onMonitor.height() == titleHeight && onMonitor.width() >= grip)
            return frame.topLeft();
        const long long dx = std::max({monitor.left() - centre.x(), 0, centre.x() - monitor.right()});
        const long long dy = std::max({monitor.top() - centre.y(), 0, centre.y() - monitor.bottom()});
        const long long distance = dx * dx + dy * dy;
        if (!nearest || distance < nearestDistance) {
            nearest = &monitor;
            nearestDistance = distance;
        }
    }
    if (!nearest)
        return frame.topLeft();
    // Fully on that monitor; its top-left corner when the frame is larger.
    const int x = std::max(nearest->left(), std::min(frame.left(), nearest->right() + 1 - frame.width()));
    const int y = std::max(nearest->top(), std::min(frame.top(), nearest->bottom() + 1 - frame.height()));
    return {x, y};
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
