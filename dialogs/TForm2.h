#pragma once

#include <QDialog>

struct CounterState;
class QComboBox;
class QLabel;
class QPainter;
class TComPort;
class TImage;
class TLbSpeedButton;
class TOwnerDrawComboBox;
class TSpinEdit;

// The settings dialog: port, counting level of each barrier, capacity and the
// public display's monitor, with the present state of both contacts. Its
// result value is 2 whenever it is shown and 1 once the operator saved; the
// main window applies the choices only on 1.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    // Builds the port list from state.AvailablePorts, once.
    TForm2(CounterState &state, TComPort &comPort, QWidget *parent = nullptr);

    int ResultValue = 2;

    QLabel *lbl_Port;
    QComboBox *cbPort;
    QLabel *lbl_Event;
    QLabel *lbl_Now;
    QLabel *lbl_Laps;
    QLabel *lbl_Stop;
    QLabel *Label1;
    QComboBox *cbCont1;
    QComboBox *cbCont2;
    // Level at which the entry (DSR) and exit (CTS) barrier count: 0 "Off", 1 "On".
    TOwnerDrawComboBox *cbAlg1;
    TOwnerDrawComboBox *cbAlg2;
    // Present state of the entry (DSR) and exit (CTS) contact.
    TImage *Image1;
    TImage *Image2;
    // Never shown: they hold the two state pictures.
    TImage *ImageOff;
    TImage *ImageOn;
    QLabel *Label3;
    TSpinEdit *seCounter;
    QLabel *LabMonitor;
    QComboBox *cbMonitor;
    TLbSpeedButton *btn_Save;
    TLbSpeedButton *btn_Cansel;

    void cbPortChange();
    void cbAlg1DrawItem(TOwnerDrawComboBox *control, int index, const QRect &rect, QPainter &canvas);
    void btn_SaveClick();
    void btn_CanselClick();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void CreateControls();
    void FormCreate();
    void FormShow();
    // The closed port list names the device of the chosen port.
    void cbPortTip();

    CounterState &state_;
    TComPort &comPort_;
};
