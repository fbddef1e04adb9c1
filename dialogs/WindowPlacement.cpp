#include "dialogs/WindowPlacement.h"

#include "display/Monitors.h"

#include <QWidget>

#include <algorithm>

void CenterOverParent(QWidget *dialog)
{
    const QWidget *parent = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
    QRect area;
    if (parent && parent->isVisible())
        area = parent->frameGeometry();
    else
        area = PrimaryMonitorRect();
    if (area.isEmpty())
        return;
    CenterOver(dialog, area);
}

void CenterOnParentsMonitor(QWidget *dialog)
{
    const QWidget *parent = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
    QRect area = PrimaryMonitorRect();
    if (parent && parent->isVisible()) {
        const QPoint centre = parent->frameGeometry().center();
        for (int index = 0; index < MonitorCount(); ++index) {
            if (MonitorRect(index).contains(centre))
                area = MonitorRect(index);
        }
    }
    if (!area.isEmpty())
        CenterOver(dialog, area);
}

void CenterOver(QWidget *window, const QRect &area)
{
    QRect frame = window->frameGeometry();
    frame.moveCenter(area.center());
    for (int index = 0; index < MonitorCount(); ++index) {
        const QRect monitor = MonitorRect(index);
        if (!monitor.contains(area.center()))
            continue;
        frame.moveRight(std::min(frame.right(), monitor.right()));
        frame.moveBottom(std::min(frame.bottom(), monitor.bottom()));
        frame.moveLeft(std::max(frame.left(), monitor.left()));
        frame.moveTop(std::max(frame.top(), monitor.top()));
        break;
    }
    window->move(frame.topLeft());
}
