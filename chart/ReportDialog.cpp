#include "chart/ReportDialog.h"

#include "chart/ReportPdf.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <utility>

namespace {

using namespace std::chrono;

year_month_day DateOf(QDate date)
{
    return year_month_day(year(date.year()), month(static_cast<unsigned>(date.month())),
                          day(static_cast<unsigned>(date.day())));
}

QDateEdit *DateEdit(QDate date, QWidget *parent)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    auto *edit = new QDateEdit(date, parent);
    edit->setLocale(german);
    edit->setCalendarPopup(true);
    edit->calendarWidget()->setLocale(german);
    edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    return edit;
}

} // namespace

ReportDialog::ReportDialog(QDate shown, QWidget *parent)
    : QDialog(parent)
    , shown_(shown)
{
    setWindowTitle(QStringLiteral("Bericht"));
    const year_month_day date = DateOf(shown);
    DayButton = new QRadioButton(QStringLiteral("&Tag: ") + ReportPeriodText(DayPeriod(date)), this);
    WeekButton = new QRadioButton(ReportPeriodText(WeekPeriod(date)).replace(0, 0, QLatin1Char('&')), this);
    MonthButton = new QRadioButton(QStringLiteral("&Monat: ") + ReportPeriodText(MonthPeriod(date)), this);
    RangeButton = new QRadioButton(QStringLiteral("&Zeitraum vom"), this);
    WeekButton->setChecked(true);
    FromEdit = DateEdit(shown.addDays(1 - shown.day()), this);
    ToEdit = DateEdit(shown, this);
    // Picking a date means the range.
    for (QDateEdit *edit : {FromEdit, ToEdit})
        connect(edit, &QDateEdit::dateChanged, RangeButton, [this] { RangeButton->setChecked(true); });
    auto *range = new QHBoxLayout;
    range->addWidget(RangeButton);
    range->addWidget(FromEdit);
    range->addWidget(new QLabel(QStringLiteral("bis"), this));
    range->addWidget(ToEdit);
    range->addStretch(1);

    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Speichern …"));
    Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Worüber soll der Bericht gehen?"), this));
    layout->addWidget(DayButton);
    layout->addWidget(WeekButton);
    layout->addWidget(MonthButton);
    layout->addLayout(range);
    layout->addSpacing(8);
    layout->addWidget(Buttons);
}

ReportPeriod ReportDialog::Period() const
{
    const year_month_day date = DateOf(shown_);
    if (DayButton->isChecked())
        return DayPeriod(date);
    if (MonthButton->isChecked())
        return MonthPeriod(date);
    if (RangeButton->isChecked()) {
        QDate from = FromEdit->date();
        QDate to = ToEdit->date();
        if (to < from)
            std::swap(from, to);
        return {ReportPeriod::Kind::Days, DateOf(from), DateOf(to)};
    }
    return WeekPeriod(date);
}
