#include "dialogs/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void CenterOverParent(QWidget *dialog)
{
    const QWidget *parent = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
    QRect area;
    if (parent && parent->isVisible())
        area = parent->frameGeometry();
    else if (QScreen *screen = QGuiApplication::primaryScreen())
        area = screen->geometry();
    else
        return;
    QRect frame = dialog->frameGeometry();
    frame.moveCenter(area.center());
    dialog->move(frame.topLeft());
}
