// The day chart's module: Qt Charts is loaded with it, the first time the
// operator opens the chart.
#include "chart/TFormDayChart.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT DayChartWindow *PontraNewDayChartWindow(DayChartWindow::DayReader readDay,
                                                                  DayChartWindow::Clock now, QWidget *parent)
{
    auto *window = new TFormDayChart(std::move(readDay), parent);
    if (now)
        window->Now = std::move(now);
    return window;
}
