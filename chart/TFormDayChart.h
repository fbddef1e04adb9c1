#pragma once

#include "chart/CsvSaver.h"
#include "chart/DayChartData.h"
#include "chart/DayChartWindow.h"
#include "chart/DayLoader.h"
#include "chart/LiveChanges.h"

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

// The window "Tagesverlauf": one day of the journal on a chart, with its
// peak and totals, and the shown day saved as CSV. While it shows today it
// follows the hall's changes as they happen. The day is read on a thread of
// its own, never on the GUI thread.
class TFormDayChart : public QWidget, public DayChartWindow {
    Q_OBJECT
public:
    using DayReader = DayLoader::Reader;
    // Asks where to save, with a suggested path; empty when the operator
    // cancelled.
    using FileChooser = std::function<QString(QWidget *parent, const QString &suggested)>;

    explicit TFormDayChart(DayReader readDay, QWidget *parent = nullptr);

    QWidget *Window() override { return this; }
    void Open() override;

    void HallChanged(const HallChange &change) override;

    // Seams for tests; a file dialog and the system clock by default.
    FileChooser ChooseCsvFile;
    std::function<std::chrono::system_clock::time_point()> Now;

    QDateEdit *DayEdit;
    QPushButton *SaveCsvButton;
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
    QString csvFolder_;
    CsvSaver *csvSaver_;
    QProgressDialog *csvProgress_ = nullptr;
    // The progress follows the save while it runs.
    QTimer csvProgressTimer_;
};
