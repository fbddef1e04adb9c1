#pragma once

#include "report/HallReport.h"

#include <QDate>
#include <QDialog>

class QDateEdit;
class QDialogButtonBox;
class QRadioButton;

// Asks which period a report covers: the day shown, its week, its month,
// or a range of days.
class ReportDialog : public QDialog {
    Q_OBJECT
public:
    ReportDialog(QDate shown, QWidget *parent = nullptr);

    // The period chosen; a range picked backwards is taken forwards.
    ReportPeriod Period() const;

    QRadioButton *DayButton;
    QRadioButton *WeekButton;
    QRadioButton *MonthButton;
    QRadioButton *RangeButton;
    QDateEdit *FromEdit;
    QDateEdit *ToEdit;
    QDialogButtonBox *Buttons;

private:
    QDate shown_;
};
