#include "dialogs/OperatorMessageBox.h"

#include "desktop/WindowDecorations.h"
#include "dialogs/ApplicationTitle.h"
#include "dialogs/WindowPlacement.h"
#include "display/Monitors.h"

OperatorMessageBox::OperatorMessageBox(QWidget *operatorWindow, const QString &message, Icon icon)
    : QMessageBox(icon, NoticeTitle(), message, QMessageBox::Ok, operatorWindow,
                  Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
}

void OperatorMessageBox::showEvent(QShowEvent *event)
{
    // Not to be minimised: a window manager minimises the main window with
    // it, which then goes to the notification area.
    RequestDialogDecorations(this, true);
    // The box settles its size while it is being shown: place it after that.
    QMessageBox::showEvent(event);
    CenterOver(this, parentWidget() ? parentWidget()->window()->frameGeometry() : PrimaryMonitorRect());
}
