#include "chart/ReportPdf.h"
#include "chart/Poppler.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using namespace std::chrono;

LocalTime At(year_month_day date, int hour, int minute)
{
    return {date, hours(hour) + minutes(minute), seconds(0)};
}

constexpr year_month_day kMonday = year(2026) / December / 7;

// A week of a hall with one day the program did not run.
HallReport Week()
{
    HallReport report;
    report.period = {ReportPeriod::Kind::Week, kMonday, year(2026) / December / 13};
    report.hall = "Halle Nord";
    report.warnPercent = 80;
    report.barriers = {1180, 1170};
    report.keys = {54, 52};
    report.otherDoors = {0, 7};
    report.total = {1234, 1229};
    report.countAtStart = 0;
    report.countAtEnd = 5;
    report.starts = 5;
    report.resumes = 1;
    report.peak = 57;
    report.peakAt = At(year(2026) / December / 9, 14, 32);
    report.atCapacity = minutes(65);
    report.timesFull = 3;
    report.nearlyFull = hours(2) + minutes(10);
    report.manualResets = 2;
    report.otherDoorResets = 1;
    report.dailyResets = 5;
    report.barrierWarnings = {
        {ReportBarrierWarning::Kind::EntryBlocked, At(year(2026) / December / 8, 10, 15), seconds(95)},
        {ReportBarrierWarning::Kind::PortLost, At(year(2026) / December / 10, 18, 0), minutes(12)}};
    for (int hour = 9; hour < 22; ++hour)
        report.hourly[static_cast<std::size_t>(hour)] = 3.5 * (hour - 8);
    for (unsigned day = 7; day <= 13; ++day) {
        const bool recorded = day != 12;
        report.days.push_back({year(2026) / December / std::chrono::day(day), recorded,
                               recorded ? ReportPassages{180 + day, 170 + day} : ReportPassages{},
                               recorded ? 40 + static_cast<std::int32_t>(day) : 0, minutes(recorded ? 10 : 0)});
    }
    return report;
}

// December with a warning every few hours, more than a page holds.
HallReport Month()
{
    HallReport report = Week();
    report.period = {ReportPeriod::Kind::Month, year(2026) / December / 1, year(2026) / December / 31};
    report.days.clear();
    report.barrierWarnings.clear();
    for (unsigned day = 1; day <= 31; ++day) {
        const year_month_day date = year(2026) / December / std::chrono::day(day);
        report.days.push_back({date, day % 7 != 0, {100 + day, 99 + day}, 30, minutes(0)});
        for (int hour = 8; hour < 20; hour += 3)
            report.barrierWarnings.push_back(
                {ReportBarrierWarning::Kind::ExitFlickering, At(date, hour, 5), seconds(40)});
    }
    return report;
}

// A day whose count climbs over its capacity of 50 in the afternoon.
HallReport Day()
{
    HallReport report = Week();
    report.period = {ReportPeriod::Kind::Day, kMonday, kMonday};
    report.barrierWarnings.clear();
    report.days = {{kMonday, true, report.total, 57, minutes(65)}};
    report.peakAt = At(kMonday, 15, 0);
    report.curve = {{At(kMonday, 8, 0), 0, 50},
                    {At(kMonday, 10, 0), 20, 50},
                    {At(kMonday, 15, 0), 57, 50},
                    {At(kMonday, 16, 5), 30, 50},
                    {At(kMonday, 21, 0), 0, 50}};
    return report;
}

const ReportFooter kFooter{QDateTime(QDate(2026, 12, 14), QTime(9, 30)),
                           QStringLiteral("Journal unverändert seit 01.12.2026 08:00:00")};

// A written PDF read back with poppler's tools.
struct ReadBack {
    QString text;
    int pages = 0;
    QString fonts;
    QImage firstPage;
};

ReadBack Read(const QString &pdf)
{
    ReadBack read;
    read.text = PdfText(pdf);
    EXPECT_FALSE(read.text.isEmpty()) << "poppler-utils missing?";
    const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                              .match(QString::fromUtf8(RunTool(QStringLiteral("pdfinfo"), {pdf}).out));
    read.pages = pages.hasMatch() ? pages.captured(1).toInt() : 0;
    read.fonts = QString::fromUtf8(RunTool(QStringLiteral("pdffonts"), {pdf}).out);
    const QString image = pdf + QStringLiteral(".page");
    EXPECT_EQ(RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-f"),
                                                   QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                                                   QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, image})
                  .exitCode,
              0);
    read.firstPage.load(image + QStringLiteral(".png"));
    return read;
}

// Pixels of about colour in the rows from top to bottom (fractions of the
// page's height).
int Pixels(const QImage &image, QColor colour, double top, double bottom)
{
    int found = 0;
    for (int y = static_cast<int>(top * image.height()); y < static_cast<int>(bottom * image.height()); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - colour.red()) + std::abs(pixel.green() - colour.green())
                    + std::abs(pixel.blue() - colour.blue())
                < 40)
                ++found;
        }
    }
    return found;
}

const QColor kBlue(0x1f, 0x5f, 0xa8);
const QColor kGreen(0x2e, 0x8b, 0x57);
const QColor kOrange(0xe0, 0x7b, 0x39);

class ReportPdf : public testing::Test {
protected:
    ReadBack Write(const HallReport &report)
    {
        const ReportFileResult result = WriteReportPdf(report, kFooter, path);
        EXPECT_TRUE(result.saved) << result.problem.toStdString() << " " << result.error;
        return Read(path);
    }

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("bericht.pdf"));
};

TEST_F(ReportPdf, AWeekOnTwoPagesWithItsFiguresItsDaysBarsAndEmbeddedFonts)
{
    const ReadBack pdf = Write(Week());
    EXPECT_EQ(pdf.pages, 2);
    const auto holds = [&](const QString &pattern) {
        EXPECT_TRUE(pdf.text.contains(QRegularExpression(pattern))) << pattern.toStdString() << "\n"
                                                                    << pdf.text.toStdString();
    };
    holds(QStringLiteral("Bericht Halle Nord"));
    holds(QStringLiteral("Woche 50: 7\\.–13\\. Dezember 2026"));
    holds(QStringLiteral("Lichtschranken\\s+1\\.180\\s+1\\.170"));
    holds(QStringLiteral("Zusammen\\s+1\\.234\\s+1\\.229"));
    holds(QStringLiteral("Höchststand\\s+57 Personen am Mittwoch, 9\\. Dezember um 14:32 Uhr"));
    holds(QStringLiteral("An oder über der Kapazität\\s+1 h 05 min, 3-mal erreicht"));
    holds(QStringLiteral("Stand am Ende\\s+5 Personen"));
    holds(QStringLiteral("Rücksetzungen\\s+2 von Hand \\(davon 1 an anderen Türen\\), 5 täglich"));
    holds(QStringLiteral("Fast voll \\(ab 80 %\\)\\s+2 h 10 min"));
    holds(QStringLiteral("Eingang blockiert\\s+1-mal, zusammen 1 min"));
    holds(QStringLiteral("Sa\\., 12\\.12\\.2026\\s+nicht aufgezeichnet"));
    holds(QStringLiteral("Pontra \\d+\\.\\d+ · gedruckt am 14\\.12\\.2026 um 09:30 Uhr"));
    holds(QStringLiteral("Journal unverändert seit 01\\.12\\.2026 08:00:00"));
    holds(QStringLiteral("Seite 2 von 2"));

    // Every font is embedded: the file reads the same on any computer.
    const QStringList fonts = pdf.fonts.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(fonts.isEmpty()) << pdf.fonts.toStdString();
    for (const QString &font : fonts)
        // name, type, encoding, embedded, subset, unicode, object, generation
        EXPECT_TRUE(
            font.contains(QRegularExpression(QStringLiteral("\\syes\\s+(yes|no)\\s+(yes|no)\\s+\\d+\\s+\\d+$"))))
            << font.toStdString();

    // The days' bars in the page's middle, the hours' profile below them.
    ASSERT_FALSE(pdf.firstPage.isNull());
    EXPECT_GT(Pixels(pdf.firstPage, kGreen, 0.4, 0.75), 200);
    EXPECT_GT(Pixels(pdf.firstPage, kOrange, 0.4, 0.75), 200);
    EXPECT_GT(Pixels(pdf.firstPage, kBlue, 0.7, 0.95), 200);
    EXPECT_EQ(Pixels(pdf.firstPage, kGreen, 0, 0.3), 0) << "no bars over the figures";
}

TEST_F(ReportPdf, AMonthKeepsToTwoPagesHowManyWarningsItHad)
{
    const ReadBack pdf = Write(Month());
    EXPECT_EQ(pdf.pages, 2);
    EXPECT_TRUE(pdf.text.contains(QStringLiteral("Dezember 2026")));
    EXPECT_TRUE(
        pdf.text.contains(QRegularExpression(QStringLiteral("Ausgang flattert\\s+124-mal, zusammen 1 h 22 min"))));
    EXPECT_TRUE(pdf.text.contains(QRegularExpression(QStringLiteral("Do\\., 31\\.12\\.2026\\s+131\\s+130"))));
    // The list ends with those left out.
    EXPECT_TRUE(pdf.text.contains(QRegularExpression(QStringLiteral("… und \\d+ weitere \\("))));

    // So does a range of a hundred days.
    HallReport range = Month();
    range.period = {ReportPeriod::Kind::Days, year(2026) / September / 23, year(2026) / December / 31};
    for (sys_days day = sys_days(range.period.first); day < sys_days(year(2026) / December / 1); day += days(1))
        range.days.push_back({year_month_day(day), true, {5, 5}, 1, seconds(0)});
    const ReadBack longer = Write(range);
    EXPECT_EQ(longer.pages, 2);
    EXPECT_TRUE(longer.text.contains(QRegularExpression(QStringLiteral("… und \\d+ weitere Tage"))));
}

TEST_F(ReportPdf, ADayDrawsItsCurveOnOnePage)
{
    const ReadBack pdf = Write(Day());
    EXPECT_EQ(pdf.pages, 1);
    EXPECT_TRUE(pdf.text.contains(QStringLiteral("Montag, 7. Dezember 2026")));
    EXPECT_TRUE(pdf.text.contains(QRegularExpression(QStringLiteral("57 Personen um 15:00 Uhr"))));
    EXPECT_TRUE(pdf.text.contains(QStringLiteral("Personen in der Halle")));
    EXPECT_GT(Pixels(pdf.firstPage, kBlue, 0.4, 0.72), 60) << "the count's line";
}

TEST_F(ReportPdf, APeriodAcrossTheYearAndOneOfDaysAreNamedInFull)
{
    HallReport report = Week();
    report.period = {ReportPeriod::Kind::Week, year(2026) / December / 28, year(2027) / January / 3};
    EXPECT_TRUE(Write(report).text.contains(QStringLiteral("Woche 53: 28. Dezember 2026 – 3. Januar 2027")));
    report.period = {ReportPeriod::Kind::Days, year(2026) / November / 30, kMonday};
    EXPECT_TRUE(Write(report).text.contains(QStringLiteral("30. November – 7. Dezember 2026")));
}

TEST_F(ReportPdf, WritesOnlyARegularFileWholeOrNotAtAll)
{
    // A fifo is refused without blocking and stays.
    const QString fifo = folder.filePath(QStringLiteral("fifo.pdf"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const ReportFileResult refused = WriteReportPdf(Week(), kFooter, fifo);
    EXPECT_FALSE(refused.saved);
    EXPECT_FALSE(refused.problem.isEmpty());
    struct stat status {};
    ASSERT_EQ(stat(QFile::encodeName(fifo).constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));

    // Cancelled, the file before stays as it was, with nothing beside it.
    QFile before(path);
    ASSERT_TRUE(before.open(QIODevice::WriteOnly));
    before.write("vorher");
    before.close();
    const std::atomic<bool> cancel{true};
    EXPECT_TRUE(WriteReportPdf(Week(), kFooter, path, &cancel).cancelled);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    EXPECT_EQ(before.readAll(), QByteArray("vorher"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::System).size(), 2);

    // A folder that is not there: the system's reason.
    const ReportFileResult missing =
        WriteReportPdf(Week(), kFooter, folder.filePath(QStringLiteral("fehlt/bericht.pdf")));
    EXPECT_FALSE(missing.saved);
    EXPECT_TRUE(missing.error != 0 || !missing.problem.isEmpty());
}

} // namespace
