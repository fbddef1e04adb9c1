#include "dialogs/WindowPlacement.h"

#include "display/Monitors.h"

#include <QWidget>

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
    QRect frame = dialog->frameGeometry();
    frame.moveCenter(area.center());
    dialog->move(frame.topLeft());
}
