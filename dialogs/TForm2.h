#pragma once

#include <QDialog>

// The settings dialog. Its result value is 2 whenever it is shown and 1 once
// the operator saved; the main window applies the settings only on 1.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr);

    int ResultValue = 2;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
};
