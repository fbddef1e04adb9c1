#pragma once

#include <QMessageBox>

// A message for the operator, an error unless told otherwise: a message box
// with the program's notice title, without a minimise button, centred over the operator's window where that window last was (also
// while it is hidden, as at shutdown) and kept on that window's monitor, never
// on whichever monitor the pointer is on, such as the public display. Without
// a window it is centred on the primary monitor.
class OperatorMessageBox : public QMessageBox {
    Q_OBJECT
public:
    OperatorMessageBox(QWidget *operatorWindow, const QString &message, Icon icon = Critical);

protected:
    void showEvent(QShowEvent *event) override;
};
