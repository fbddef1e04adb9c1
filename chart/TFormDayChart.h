#pragma once

#include "chart/CsvSaver.h"
#include "chart/DayChartData.h"
#include "chart/DayChartWindow.h"
#include "chart/DayLoader.h"
#include "chart/LiveChanges.h"
#include "chart/ReportSaver.h"

#include <QDate>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>

class DayCharts;
class QDateEdit;
class QLabel;
class QProgressDialog;
class QPushButton;
class ReportDialog;

// The window "Tagesverlauf": one day of the journal on a chart, with its
// peak and totals, the shown day saved as CSV, and a report on the day, its
// week, its month or a range of days saved as PDF or CSV. While it shows today it
// follows the hall's changes as they happen. The day is read on a thread of
// its own, never on the GUI thread.
class TFormDayChart : public QWidget, public DayChartWindow {
    Q_OBJECT
public:
    using DayReader = DayLoader::Reader;
    // Asks where to save, with a suggested path; empty when the operator
    // cancelled.
    using FileChooser = std::function<QString(QWidget *parent, const QString &suggested)>;

    // Asks where to save a report, with a suggested path without suffix,
    // and in which format; an empty path when the operator cancelled.
    struct ReportFile {
        QString path;
        ReportSaver::Format format = ReportSaver::Format::Pdf;
    };
    using ReportFileChooser = std::function<ReportFile(QWidget *parent, const QString &suggested)>;

    explicit TFormDayChart(DayReader readDay, QWidget *parent = nullptr);

    QWidget *Window() override { return this; }
    void Open() override;

    void HallChanged(const HallChange &change) override;

    // Seams for tests; a file dialog and the system clock by default.
    FileChooser ChooseCsvFile;
    ReportFileChooser ChooseReportFile;
    std::function<std::chrono::system_clock::time_point()> Now;
    // Where reports come from; without a reader there are none.
    ReportSource Reports;

    QDateEdit *DayEdit;
    QPushButton *SaveCsvButton;
    QPushButton *ReportButton;
    QLabel *StatusLabel;
    QLabel *PeakLabel;
    QLabel *TotalsLabel;
    DayCharts *Charts;

    // The shown day's rows, read and heard live; empty while loading.
    const DayChartData &Data() const { return data_; }
    bool Loading() const { return state_ == State::Loading; }

    // Asks where to save the shown day's rows and saves them as CSV on a
    // thread of its own, with a progress dialog that can cancel it.
    void SaveCsvClick();
    bool SavingCsv() const { return csvSaver_->Running(); }
    // The running save's progress dialog, which appears once the save takes
    // a moment; null while none runs.
    QProgressDialog *CsvProgress() const { return csvProgress_; }

    // Asks for the report's period (a dialog that stays open while it is
    // asked: null otherwise), then where to save, and saves it on a thread
    // of its own, with a progress dialog that can cancel it.
    void ReportClick();
    ReportDialog *ReportPeriodDialog() const { return reportDialog_; }
    bool SavingReport() const { return reportSaver_->Running(); }
    QProgressDialog *ReportProgress() const { return reportProgress_; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class State { Unread, Loading, Shown, Failed };
    void Load();
    void Loaded(unsigned load, const DayLoader::Result &read);
    void Refresh();
    void ShowStatus(const QString &text, bool error);
    void EnableSaveCsv();
    void CsvSaved(const QString &path, const CsvSaver::Result &result);
    void EnableReport();
    void SaveReport(const ReportPeriod &period);
    void ReportSaved(const QString &path, const ReportSaver::Result &result);
    void ShowWarning(const QString &text);
    QDate Today() const;

    DayLoader *loader_;
    State state_ = State::Unread;
    // The latest read; the result of an earlier one is dropped.
    unsigned load_ = 0;
    QDate day_;
    DayChartData data_;
    LiveChanges live_;
    // A refresh waits while the window is hidden.
    bool stale_ = false;
    // Today's line reaches the present moment.
    QTimer tail_;
    // Changes heard in one go are drawn once.
    QTimer redraw_;
    // Where the last file was saved.
    QString saveFolder_;
    CsvSaver *csvSaver_;
    QProgressDialog *csvProgress_ = nullptr;
    // The progress follows the save while it runs.
    QTimer csvProgressTimer_;
    ReportDialog *reportDialog_ = nullptr;
    ReportSaver *reportSaver_;
    QProgressDialog *reportProgress_ = nullptr;
};
