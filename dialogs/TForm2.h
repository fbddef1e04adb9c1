#pragma once

#include <QDialog>

class TImage;

// The settings dialog. Its result value is 2 whenever it is shown and 1 once
// the operator saved; the main window applies the settings only on 1.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr);

    int ResultValue = 2;

    // Present state of the entry (DSR) and exit (CTS) contact.
    TImage *Image1;
    TImage *Image2;
    // Never shown: they hold the two state pictures.
    TImage *ImageOn;
    TImage *ImageOff;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
};
