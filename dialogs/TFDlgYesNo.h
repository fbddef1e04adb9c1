#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The program's yes/no question box. Callers write the question into Label1,
// run exec() and take only 6 ("Ja") as yes; "Nein", Escape and the title
// bar's close button all give 2.
class TFDlgYesNo : public QDialog {
    Q_OBJECT
public:
    static constexpr int mrYes = 6;
    static constexpr int mrCancel = 2;

    explicit TFDlgYesNo(QWidget *parent = nullptr);

    QLabel *Label1;
    QLabel *Icon;
    QPushButton *OKBtn;
    QPushButton *CancelBtn;

    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void FormCreate();
    void FormShow();

    // The button that had the focus when the dialog last closed; it gets the
    // focus back at the next showing.
    QPushButton *lastFocus_ = nullptr;
};
