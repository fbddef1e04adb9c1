#pragma once

class TFormMain;
class TFormMonitor2;
class TForm2;
class TFDlgYesNo;
class TFormInfo;
class TFormDayChart;
class TFormAdvanced;

// The program's windows, each created once at start in this order and reused
// until the end. A window reaches the others through here.
struct Forms {
    TFormMain *FormMain = nullptr;
    TFormMonitor2 *FormMonitor2 = nullptr;
    TForm2 *Form2 = nullptr;
    TFDlgYesNo *FDlgYesNo = nullptr;
    TFormInfo *FormInfo = nullptr;
    // "Tagesverlauf", the day on a chart.
    TFormDayChart *FormDayChart = nullptr;
    // "Erweiterte Einstellungen", opened from the settings dialog.
    TFormAdvanced *FormAdvanced = nullptr;
};
