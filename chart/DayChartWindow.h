#pragma once

#include "hall/HallListener.h"
#include "journal/JournalRow.h"

#include <chrono>
#include <functional>
#include <vector>

class QWidget;

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

// The module's one function: a window on the given day reader and clock
// (the system's when empty), owned by parent.
using NewDayChartWindow = DayChartWindow *(*)(DayChartWindow::DayReader readDay, DayChartWindow::Clock now,
                                              QWidget *parent);
inline constexpr const char *kNewDayChartWindow = "PontraNewDayChartWindow";
