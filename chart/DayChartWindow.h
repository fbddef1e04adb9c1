#pragma once

#include "hall/HallListener.h"
#include "journal/JournalRow.h"
#include "report/HallReportMaker.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class QWidget;

// Where the window's reports come from.
struct ReportSource {
    // On the GUI thread as the operator asks for a report: the hall's name
    // and warning level then.
    std::function<ReportOptions()> options;
    // On a thread of its own: the period's rows; may throw JournalError.
    std::function<ReportRows(const ReportPeriod &)> read;
    // On that thread too: the journal's check in one line for the footer;
    // none when empty.
    std::function<std::string()> checkJournal;
};

// The window "Tagesverlauf" as the program sees it: made by its module on
// first use, it hears the hall's changes from then on. The window belongs to
// its parent.
class DayChartWindow : public HallListener {
public:
    using DayReader = std::function<std::vector<JournalRow>(std::chrono::year_month_day)>;
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    virtual QWidget *Window() = 0;
    // Shows the window on today, read afresh, or brings it to the front when
    // it is open already.
    virtual void Open() = 0;
};

// The module's factory: a window on the given day reader, reports and clock
// (the system's when empty), owned by parent.
using NewDayChartWindow = DayChartWindow *(*)(DayChartWindow::DayReader readDay, ReportSource reports,
                                              DayChartWindow::Clock now, QWidget *parent);
inline constexpr const char *kNewDayChartWindow = "PontraNewDayChartWindow";
