#pragma once

#include <functional>

class TFormMain;
class TFormMonitor2;
class TForm2;
class TFDlgYesNo;
class TFormInfo;
class DayChartWindow;
class TFormAdvanced;

// The program's windows, each created once at start in this order and reused
// until the end. A window reaches the others through here.
struct Forms {
    TFormMain *FormMain = nullptr;
    TFormMonitor2 *FormMonitor2 = nullptr;
    TForm2 *Form2 = nullptr;
    TFDlgYesNo *FDlgYesNo = nullptr;
    TFormInfo *FormInfo = nullptr;
    // "Tagesverlauf", the day on a chart: made on first use by MakeDayChart,
    // which gives null where its module cannot be loaded.
    DayChartWindow *FormDayChart = nullptr;
    std::function<DayChartWindow *()> MakeDayChart;
    // "Erweiterte Einstellungen", opened from the settings dialog.
    TFormAdvanced *FormAdvanced = nullptr;
};
