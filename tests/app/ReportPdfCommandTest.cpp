#include "chart/Poppler.h"
#include "support/ProgramProcess.h"
#include "support/TestFiles.h"

#include "journal/JournalTestSupport.h"
#include "journal/JournalWriter.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;

// The report of the week of 2020-03-12.
Finished Report(const Program &program, const QStringList &arguments)
{
    return Command(program, QStringList{"--report", "week", "--date", "2020-03-12"} + arguments);
}

// The number after "name;" in the report's CSV.
QString CsvFigure(const QByteArray &csv, const QString &name)
{
    return QRegularExpression(QStringLiteral("\r\n%1;(\\d+)\r\n").arg(name)).match(QString::fromUtf8(csv)).captured(1);
}

TEST(ReportPdfCommand, AWeeksPdfWithoutADisplayHoldsTheFiguresOfItsCsv)
{
    Program program;
    {
        JournalWriter::Options options;
        options.file = program.JournalFile().toStdString();
        options.keepDays = 0;
        JournalWriter writer(options);
        // A day of March 2020 at a local time of CET (UTC+1).
        const auto at = [](unsigned day, int hour, int minute) {
            return sys_days(year(2020) / March / std::chrono::day(day)) + hours(hour - 1) + minutes(minute);
        };
        const auto source = [](HallSource of) { return static_cast<std::uint16_t>(of); };
        std::int32_t count = 0;
        writer.Append(Row(at(9, 8, 0), 60, source(HallSource::Start), JournalChange::Started, 0, 40));
        for (int i = 0; i < 1200; ++i) {
            const bool in = i % 3 != 2;
            count += in ? 1 : -1;
            writer.Append(Row(at(9 + static_cast<unsigned>(i / 300), 9, 0) + seconds(30 * (i % 300)), 60,
                              source(in ? HallSource::EntryBarrier : HallSource::ExitBarrier),
                              in ? JournalChange::Up : JournalChange::Down, count, 40));
        }
        ASSERT_TRUE(writer.Stop());
    }
    QDir().mkpath(QFileInfo(program.SettingsFile()).absolutePath());
    writeFile(program.SettingsFile(), "[General]\nJournalDays=3660\nHall=Stadthalle Nord\n");

    const Finished csv = Report(program, {});
    ASSERT_EQ(csv.exitCode, 0);
    const QString entries = CsvFigure(csv.out, QStringLiteral("Eintritte gesamt"));
    const QString exits = CsvFigure(csv.out, QStringLiteral("Austritte gesamt"));
    const QString peak = CsvFigure(csv.out, QStringLiteral("Höchststand"));
    ASSERT_EQ(entries, QStringLiteral("800")) << csv.out.toStdString();
    ASSERT_EQ(exits, QStringLiteral("400"));

    const QString pdf = program.Path("woche.pdf");
    const Finished written = Report(program, {"--pdf", pdf});
    ASSERT_EQ(written.exitCode, 0) << written.err.toStdString();
    const QString text = PdfText(pdf);
    for (const QString &pattern :
         {QStringLiteral("Bericht Stadthalle Nord"), QStringLiteral("Woche 11: 9\\.–15\\. März 2020"),
          QStringLiteral("Zusammen\\s+%1\\s+%2\\n").arg(entries, exits),
          QStringLiteral("Höchststand\\s+%1 Personen am").arg(peak)})
        EXPECT_TRUE(text.contains(QRegularExpression(pattern))) << pattern.toStdString() << "\n" << text.toStdString();
    const QString info = QString::fromUtf8(RunTool(QStringLiteral("pdfinfo"), {pdf}).out);
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+[12]\\n")))) << info.toStdString();
}

} // namespace
