// The day chart's module: Qt Charts is loaded with it, the first time the
// operator opens the chart.
#include "chart/ReportPdf.h"
#include "chart/TFormDayChart.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT DayChartWindow *PontraNewDayChartWindow(DayChartWindow::DayReader readDay,
                                                                  ReportSource reports, DayChartWindow::Clock now,
                                                                  QWidget *parent)
{
    auto *window = new TFormDayChart(std::move(readDay), parent);
    window->Reports = std::move(reports);
    if (now)
        window->Now = std::move(now);
    return window;
}

// A report's PDF, for the command line, which loads the module only when
// it is asked for one.
extern "C" Q_DECL_EXPORT ReportFileResult PontraWriteReportPdf(const HallReport &report, const ReportFooter &footer,
                                                                 const QString &path)
{
    return WriteReportPdf(report, footer, path);
}
