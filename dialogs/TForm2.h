#pragma once

#include <QDialog>

#include <optional>

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
// main window applies the choices only on 1. A value the operator leaves
// alone is given back as it was read, also one the dialog cannot show.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    // Builds the port list from state.AvailablePorts, once. missingPort, when
    // not 0, is a stored port that was not found at start: it is offered,
    // marked, so that a Save keeps it.
    TForm2(CounterState &state, TComPort &comPort, QWidget *parent = nullptr, int missingPort = 0);

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
    // Opens "Erweiterte Einstellungen" over this dialog.
    TLbSpeedButton *btn_Advanced;

    // The port chosen: its number, 0 for "None".
    int ChosenPort() const;
    // The capacity typed or stepped to; empty when the field was left alone.
    std::optional<int> EditedCapacity() const;
    // The monitor picked from the list; empty when the list was left alone.
    std::optional<int> EditedMonitor() const;

    void cbPortChange();
    void cbAlg1DrawItem(TOwnerDrawComboBox *control, int index, const QRect &rect, QPainter &canvas);
    void btn_SaveClick();
    void btn_CanselClick();

signals:
    // The operator asked for the advanced settings; this dialog stays open.
    void AdvancedRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void CreateControls();
    void FormCreate(int missingPort);
    void FormShow();
    // The closed port list names the device of the chosen port.
    void cbPortTip();

    CounterState &state_;
    TComPort &comPort_;
    // Whether the operator picked a monitor since the dialog was shown.
    bool monitorPicked_ = false;
};
