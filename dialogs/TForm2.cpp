#include "dialogs/TForm2.h"

#include <QLabel>
#include <QPushButton>

TForm2::TForm2(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("Einstellungen"));
    setFixedSize(420, 288);
    auto *note = new QLabel(QStringLiteral("Die Einstellungen folgen in einer späteren Version."), this);
    note->setGeometry(10, 10, 400, 30);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setGeometry(312, 247, 98, 33);
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
}

void TForm2::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TForm2::FormShow()
{
    ResultValue = 2;
}
