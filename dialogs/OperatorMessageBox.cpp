#include "dialogs/OperatorMessageBox.h"

#include "dialogs/ApplicationTitle.h"
#include "dialogs/WindowPlacement.h"
#include "display/Monitors.h"

OperatorMessageBox::OperatorMessageBox(QWidget *operatorWindow, const QString &message, Icon icon)
    : QMessageBox(icon, ApplicationTitle(), message, QMessageBox::Ok, operatorWindow)
{
}

void OperatorMessageBox::showEvent(QShowEvent *event)
{
    // The box settles its size while it is being shown: place it after that.
    QMessageBox::showEvent(event);
    CenterOver(this, parentWidget() ? parentWidget()->window()->frameGeometry() : PrimaryMonitorRect());
}
