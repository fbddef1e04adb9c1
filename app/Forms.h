#pragma once

#include "app/OnFirstUse.h"

#include <functional>

class TFormMain;
class TFormMonitor2;
class TForm2;
class TFDlgYesNo;
class TFormInfo;
class DayChartWindow;
class TFormAdvanced;

// The program's windows, each created once and reused until the end: the
// main window and the display at start, the dialogs on first use. A window
// reaches the others through here.
struct Forms {
    TFormMain *FormMain = nullptr;
    TFormMonitor2 *FormMonitor2 = nullptr;
    OnFirstUse<TForm2> Form2;
    OnFirstUse<TFDlgYesNo> FDlgYesNo;
    OnFirstUse<TFormInfo> FormInfo;
    // "Tagesverlauf", the day on a chart: made on first use by MakeDayChart,
    // which gives null where its module cannot be loaded.
    DayChartWindow *FormDayChart = nullptr;
    std::function<DayChartWindow *()> MakeDayChart;
    // "Erweiterte Einstellungen", opened from the settings dialog.
    OnFirstUse<TFormAdvanced> FormAdvanced;
};
