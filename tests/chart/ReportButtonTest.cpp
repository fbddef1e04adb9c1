#include "chart/ChartTestDay.h"
#include "chart/Poppler.h"
#include "chart/ReportDialog.h"
#include "chart/TFormDayChart.h"
#include "journal/JournalReader.h"
#include "journal/JournalWriter.h"
#include "support/Wait.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace {

using namespace std::chrono;

// The window on the test day, with reports from a journal file.
class ReportButton : public testing::Test {
protected:
    void SetUp() override
    {
        JournalWriter::Options options;
        options.file = file;
        JournalWriter writer(options);
        for (const JournalRow &row : kDay)
            writer.Append(row);
        ASSERT_TRUE(writer.Stop());

        window.Reports.options = [] {
            ReportOptions options;
            options.hall = "Stadthalle Süd";
            options.warnPercent = 80;
            return options;
        };
        window.Reports.read = [this](const ReportPeriod &period) {
            return ReadReportRows(JournalReader(file), period);
        };
        window.Reports.checkJournal = [] { return std::string("Journal unverändert seit 10.03.2026 08:00:00"); };
        window.ChooseReportFile = [this](QWidget *, const QString &path) {
            suggested = path;
            return TFormDayChart::ReportFile{chosen, format};
        };
        window.Now = [] { return March10(22); };
        window.Open();
        ASSERT_TRUE(WaitUntil([&] { return !window.Loading(); }));
    }

    // Clicks the button and answers the period's dialog.
    void Ask(QRadioButton *ReportDialog::*period, bool accept = true)
    {
        window.ReportButton->click();
        ReportDialog *dialog = window.ReportPeriodDialog();
        ASSERT_TRUE(dialog);
        ASSERT_TRUE(WaitUntil([&] { return dialog->isVisible(); }));
        EXPECT_FALSE(window.ReportButton->isEnabled()) << "one report at a time";
        (dialog->*period)->setChecked(true);
        dialog->Buttons->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        EXPECT_FALSE(window.ReportPeriodDialog());
    }

    QMessageBox *Box()
    {
        QMessageBox *box = nullptr;
        EXPECT_TRUE(WaitUntil([&] { return (box = window.findChild<QMessageBox *>()) != nullptr; }));
        return box;
    }

    TempFolder temp;
    std::filesystem::path file = temp.Path() / "journal.sqlite3";
    TFormDayChart window{[this](year_month_day day) { return JournalReader(file).Day(day); }};
    QString suggested;
    QString chosen = QString::fromStdString((temp.Path() / "März.pdf").string());
    ReportSaver::Format format = ReportSaver::Format::Pdf;
};

TEST_F(ReportButton, SavesTheChosenPeriodsReportAsPdfOnAWorkerThread)
{
    Ask(&ReportDialog::MonthButton);
    EXPECT_TRUE(suggested.endsWith(QStringLiteral("-bericht-2026-03"))) << suggested.toStdString();
    EXPECT_TRUE(window.SavingReport());
    ASSERT_TRUE(WaitUntil([&] { return !window.SavingReport(); }));
    EXPECT_FALSE(window.ReportProgress());
    EXPECT_TRUE(window.ReportButton->isEnabled());
    EXPECT_FALSE(window.findChild<QMessageBox *>());

    // Two entries at the barrier and two by key, one exit; 3 inside at 10:05.
    const QString text = PdfText(chosen);
    for (const QString &pattern : {QStringLiteral("Bericht Stadthalle Süd"), QStringLiteral("März 2026"),
                                   QStringLiteral("Zusammen\\s+4\\s+1\\n"),
                                   QStringLiteral("Höchststand\\s+3 Personen am Dienstag, 10\\. März um 10:05 Uhr"),
                                   QStringLiteral("gedruckt am 10\\.03\\.2026 um \\d\\d:00 Uhr"),
                                   QStringLiteral("Journal unverändert seit 10\\.03\\.2026 08:00:00")})
        EXPECT_TRUE(text.contains(QRegularExpression(pattern))) << pattern.toStdString() << "\n" << text.toStdString();

    // A week's report is suggested by its number; as CSV it is the report's
    // CSV.
    chosen = QString::fromStdString((temp.Path() / "Woche.csv").string());
    format = ReportSaver::Format::Csv;
    Ask(&ReportDialog::WeekButton);
    EXPECT_TRUE(suggested.endsWith(QStringLiteral("-bericht-2026-W11"))) << suggested.toStdString();
    ASSERT_TRUE(WaitUntil([&] { return !window.SavingReport(); }));
    QFile csv(chosen);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QByteArray table = csv.readAll();
    EXPECT_TRUE(table.startsWith("\xEF\xBB\xBFKennzahl;Wert\r\nHalle;Stadthalle Süd\r\n")) << table.toStdString();
    EXPECT_TRUE(table.contains("\r\nEintritte gesamt;4\r\n")) << table.toStdString();

    // A cancelled period's dialog asks for no file.
    suggested.clear();
    Ask(&ReportDialog::DayButton, false);
    EXPECT_TRUE(suggested.isEmpty());
    EXPECT_FALSE(window.SavingReport());
}

TEST_F(ReportButton, SaysWhyTheJournalGaveNoReport)
{
    window.Reports.read = [](const ReportPeriod &) -> ReportRows {
        throw JournalError("Das Tagesjournal ist beschädigt.");
    };
    Ask(&ReportDialog::DayButton);
    QMessageBox *box = Box();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), QStringLiteral("Der Bericht lässt sich nicht erstellen: Das Tagesjournal ist beschädigt."));
    delete box;
}

TEST_F(ReportButton, ACancelledReportLeavesNoFile)
{
    std::mutex mutex;
    std::condition_variable released;
    bool go = false;
    window.Reports.read = [&](const ReportPeriod &period) {
        std::unique_lock lock(mutex);
        released.wait(lock, [&] { return go; });
        return ReadReportRows(JournalReader(file), period);
    };
    Ask(&ReportDialog::RangeButton);
    ASSERT_TRUE(window.ReportProgress());
    window.ReportProgress()->findChild<QPushButton *>()->click();
    {
        std::lock_guard lock(mutex);
        go = true;
    }
    released.notify_all();
    ASSERT_TRUE(WaitUntil([&] { return !window.SavingReport(); }));
    EXPECT_FALSE(window.findChild<QMessageBox *>()) << "a cancel is no failure";
    EXPECT_FALSE(QFile::exists(chosen));
    for (const auto &entry : std::filesystem::directory_iterator(temp.Path()))
        EXPECT_TRUE(entry.path().filename().string().starts_with("journal")) << entry.path();
}

} // namespace
