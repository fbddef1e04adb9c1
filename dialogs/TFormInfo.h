#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QToolButton;

// The information window: program name, version and icon, closed by
// "Einverstanden" or Escape. Its title bar asks for no buttons; where the
// window manager draws a close button all the same, that one closes it too.
class TFormInfo : public QDialog {
    Q_OBJECT
public:
    explicit TFormInfo(QWidget *parent = nullptr);

    QLabel *Label1;
    QLabel *LabelVer;
    QFrame *Panel1;
    QLabel *ImageICON;
    QToolButton *sOK;
    // Closes the window and asks for "Tagesverlauf".
    QToolButton *sDayChart;

    void sOKClick();

signals:
    void DayChartRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void FormCreate();
    void FormKeyPress(int key);
};
