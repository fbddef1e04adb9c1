#include "chart/ReportPdf.h"

#include "chart/ChartPaint.h"
#include "chart/StepLine.h"
#include "files/FileRules.h"
#include "report/ReportTexts.h"

#include <QDate>
#include <QFont>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>

namespace {

using namespace std::chrono;

// The pages are laid out in pixels of 1/96 inch, as on a screen, so that
// the charts' painting keeps its proportions: A4 within its margins is
// about 680 by 1000 of them.
constexpr int kResolution = 96;
constexpr double kMarginMm = 15;
// Arial, as the main window, the display and the buttons name it (on Linux
// its metric twin Liberation Sans); embedded in the file.
const QString kFontFamily = QStringLiteral("Arial");
constexpr int kTitlePoints = 18;
constexpr int kPeriodPoints = 12;
constexpr int kHeadingPoints = 11;
constexpr int kTextPoints = 9;
constexpr int kFooterPoints = 7;
constexpr int kGap = 8;
const QColor kRuleColour(0xb0, 0xb0, 0xb0);
const QColor kFooterColour(0x66, 0x66, 0x66);

const QLocale &German()
{
    static const QLocale locale(QLocale::German, QLocale::Germany);
    return locale;
}

QFont Font(int points, bool bold = false)
{
    QFont font(kFontFamily, points);
    font.setBold(bold);
    return font;
}

QDate DateOf(year_month_day date)
{
    return QDate(static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
                 static_cast<int>(static_cast<unsigned>(date.day())));
}

QString Number(std::int64_t value)
{
    return German().toString(static_cast<qlonglong>(value));
}

QString Persons(std::int64_t count)
{
    return count == 1 ? QStringLiteral("1 Person") : Number(count) + QStringLiteral(" Personen");
}

QString Times(std::int64_t count)
{
    return Number(count) + QStringLiteral("-mal");
}

QString Clock(seconds timeOfDay)
{
    const hh_mm_ss<seconds> clock(timeOfDay);
    return QStringLiteral("%1:%2 Uhr")
        .arg(clock.hours().count(), 2, 10, QLatin1Char('0'))
        .arg(clock.minutes().count(), 2, 10, QLatin1Char('0'));
}

// "45 s", "12 min", "3 h 05 min".
QString Duration(seconds duration)
{
    if (duration < minutes(1))
        return QStringLiteral("%1 s").arg(duration.count());
    const auto hoursPart = duration_cast<hours>(duration);
    const auto minutesPart = duration_cast<minutes>(duration - hoursPart);
    if (hoursPart.count() == 0)
        return QStringLiteral("%1 min").arg(minutesPart.count());
    return QStringLiteral("%1 h %2 min")
        .arg(Number(hoursPart.count()))
        .arg(minutesPart.count(), 2, 10, QLatin1Char('0'));
}

// "7.–13. Dezember 2026", "30. November – 6. Dezember 2026",
// "28. Dezember 2026 – 3. Januar 2027".
QString Range(QDate first, QDate last)
{
    if (first == last)
        return German().toString(first, QStringLiteral("dddd, d. MMMM yyyy"));
    const QString to = German().toString(last, QStringLiteral("d. MMMM yyyy"));
    if (first.year() != last.year())
        return German().toString(first, QStringLiteral("d. MMMM yyyy")) + QStringLiteral(" – ") + to;
    if (first.month() != last.month())
        return German().toString(first, QStringLiteral("d. MMMM")) + QStringLiteral(" – ") + to;
    return QStringLiteral("%1.–%2").arg(first.day()).arg(to);
}

} // namespace

QString ReportPeriodText(const ReportPeriod &period)
{
    const QDate first = DateOf(period.first);
    const QDate last = DateOf(period.last);
    switch (period.kind) {
    case ReportPeriod::Kind::Day:
        return Range(first, first);
    case ReportPeriod::Kind::Week:
        return QStringLiteral("Woche %1: %2").arg(first.weekNumber()).arg(Range(first, last));
    case ReportPeriod::Kind::Month:
        return German().toString(first, QStringLiteral("MMMM yyyy"));
    case ReportPeriod::Kind::Days:
        break;
    }
    return Range(first, last);
}

namespace {

QString WarningText(ReportBarrierWarning::Kind kind)
{
    const std::string_view name = WarningName(kind);
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

std::int64_t MsOf(const LocalTime &time)
{
    const auto utc = sys_days(time.date) + time.timeOfDay - time.utcOffset;
    return duration_cast<milliseconds>(utc.time_since_epoch()).count();
}

// Columns of a table: their share of the width, and how their text aligns.
struct Column {
    double share;
    Qt::Alignment align;
};

// A page being filled from the top, in the painter's pixels.
class Page {
public:
    Page(QPainter &painter, QRect area) : painter_(painter), area_(area), y_(area.top()) {}

    int Left() const { return area_.left(); }
    int Width() const { return area_.width(); }
    int Y() const { return y_; }
    // Where the footer begins.
    int Bottom() const { return area_.bottom() + 1 - FooterHeight(); }
    int Room() const { return Bottom() - y_; }
    void Skip(int pixels) { y_ += pixels; }

    static int FooterHeight() { return 3 * QFontMetrics(Font(kFooterPoints)).height() + kGap; }

    void Text(const QString &text, const QFont &font, const QColor &colour = kTextColour)
    {
        painter_.setFont(font);
        painter_.setPen(colour);
        const int height = painter_.fontMetrics().height();
        painter_.drawText(QRect(area_.left(), y_, area_.width(), height), Qt::AlignLeft | Qt::AlignVCenter, text);
        y_ += height;
    }

    void Heading(const QString &text)
    {
        y_ += kGap;
        Text(text, Font(kHeadingPoints, true));
        y_ += kGap / 2;
    }

    int RowHeight() const { return QFontMetrics(Font(kTextPoints)).height() + 4; }

    void Row(const std::vector<Column> &columns, const QStringList &cells, bool bold = false, bool rule = false)
    {
        painter_.setFont(Font(kTextPoints, bold));
        painter_.setPen(kTextColour);
        const int height = RowHeight();
        double x = area_.left();
        for (std::size_t index = 0; index < columns.size() && index < static_cast<std::size_t>(cells.size()); ++index) {
            const double width = columns[index].share * area_.width();
            // A last cell spans what is left of the row.
            const double span =
                index + 1 == static_cast<std::size_t>(cells.size()) && columns[index].align & Qt::AlignLeft
                    ? area_.left() + area_.width() - x
                    : width;
            painter_.drawText(QRectF(x + 4, y_, span - 8, height), columns[index].align | Qt::AlignVCenter,
                              cells[static_cast<qsizetype>(index)]);
            x += width;
        }
        y_ += height;
        if (rule) {
            painter_.setPen(kRuleColour);
            painter_.drawLine(QLineF(area_.left(), y_ - 0.5, area_.left() + area_.width(), y_ - 0.5));
        }
    }

    // A panel across the page for a chart, height pixels high.
    QRect Panel(int height)
    {
        const QRect panel(area_.left(), y_, area_.width(), height);
        y_ += height;
        return panel;
    }

    void Footer(const QString &left, const QString &right, const QString &check)
    {
        painter_.setFont(Font(kFooterPoints));
        const QFontMetrics metrics = painter_.fontMetrics();
        int y = Bottom() + kGap;
        painter_.setPen(kRuleColour);
        painter_.drawLine(QLineF(area_.left(), y - kGap / 2.0, area_.right() + 1, y - kGap / 2.0));
        painter_.setPen(kFooterColour);
        painter_.drawText(QRect(area_.left(), y, area_.width(), metrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                          left);
        painter_.drawText(QRect(area_.left(), y, area_.width(), metrics.height()), Qt::AlignRight | Qt::AlignVCenter,
                          right);
        y += metrics.height();
        painter_.drawText(QRect(area_.left(), y, area_.width(), 2 * metrics.height()),
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, check);
    }

private:
    QPainter &painter_;
    QRect area_;
    int y_;
};

const std::vector<Column> kPassageColumns = {{0.40, Qt::AlignLeft}, {0.20, Qt::AlignRight}, {0.20, Qt::AlignRight}};
const std::vector<Column> kFigureColumns = {{0.40, Qt::AlignLeft}, {0.60, Qt::AlignLeft}};

QString PeakText(const HallReport &report)
{
    if (!report.peakAt)
        return report.peak == 0 ? QStringLiteral("–") : Persons(report.peak);
    const QString clock = Clock(report.peakAt->timeOfDay);
    if (report.period.kind == ReportPeriod::Kind::Day)
        return QStringLiteral("%1 um %2").arg(Persons(report.peak), clock);
    return QStringLiteral("%1 am %2 um %3")
        .arg(Persons(report.peak), German().toString(DateOf(report.peakAt->date), QStringLiteral("dddd, d. MMMM")),
             clock);
}

void PaintFigures(Page &page, const HallReport &report)
{
    page.Row(kPassageColumns, {QStringLiteral("Durchgänge"), QStringLiteral("Eintritte"), QStringLiteral("Austritte")},
             true, true);
    const auto passages = [&](const QString &name, const ReportPassages &counted, bool bold) {
        page.Row(kPassageColumns, {name, Number(counted.entries), Number(counted.exits)}, bold);
    };
    passages(QStringLiteral("Lichtschranken"), report.barriers, false);
    passages(QStringLiteral("Tasten REIN und RAUS"), report.keys, false);
    passages(QStringLiteral("Andere Türen"), report.otherDoors, false);
    passages(QStringLiteral("Zusammen"), report.total, true);
    page.Skip(kGap);

    const auto figure = [&](const QString &name, const QString &value) { page.Row(kFigureColumns, {name, value}); };
    figure(QStringLiteral("Höchststand"), PeakText(report));
    figure(QStringLiteral("An oder über der Kapazität"),
           report.timesFull == 0 && report.atCapacity == seconds(0)
               ? QStringLiteral("nie erreicht")
               : QStringLiteral("%1, %2 erreicht").arg(Duration(report.atCapacity), Times(report.timesFull)));
    if (report.nearlyFull)
        figure(QStringLiteral("Fast voll (ab %1 %)").arg(report.warnPercent), Duration(*report.nearlyFull));
    figure(QStringLiteral("Stand zu Beginn"),
           report.countAtStart ? Persons(*report.countAtStart) : QStringLiteral("unbekannt (kein Eintrag davor)"));
    if (report.countAtEnd)
        figure(QStringLiteral("Stand am Ende"), Persons(*report.countAtEnd));
    const QString starts = Number(report.starts + report.resumes);
    figure(QStringLiteral("Programmstarts"),
           report.resumes == 0
               ? starts
               : QStringLiteral("%1, davon %2 mit fortgesetzter Zählung").arg(starts, Number(report.resumes)));
    const QString atOtherDoors =
        report.otherDoorResets == 0
            ? QString()
            : QStringLiteral(" (davon %1 an anderen Türen)").arg(Number(report.otherDoorResets));
    figure(QStringLiteral("Rücksetzungen"), QStringLiteral("%1 von Hand%2, %3 täglich")
                                                .arg(Number(report.manualResets), atOtherDoors,
                                                     Number(report.dailyResets)));

    // The warnings of each kind, with their durations together.
    std::map<ReportBarrierWarning::Kind, std::pair<std::int64_t, seconds>> kinds;
    seconds total{0};
    for (const ReportBarrierWarning &warning : report.barrierWarnings) {
        auto &[count, duration] = kinds[warning.kind];
        ++count;
        duration += warning.duration;
        total += warning.duration;
    }
    figure(QStringLiteral("Warnungen der Lichtschranken"),
           report.barrierWarnings.empty()
               ? QStringLiteral("keine")
               : QStringLiteral("%1, zusammen %2")
                     .arg(Number(static_cast<std::int64_t>(report.barrierWarnings.size())), Duration(total)));
    for (const auto &[kind, summary] : kinds)
        figure(QStringLiteral("    ") + WarningText(kind),
               QStringLiteral("%1, zusammen %2").arg(Times(summary.first), Duration(summary.second)));
}

// The count against the capacity over the day, as the day's window draws it.
void PaintCurve(QPainter &painter, const QRect &panel, const HallReport &report, const QDateTime &printed)
{
    const std::int64_t start = DateOf(report.period.first).startOfDay().toMSecsSinceEpoch();
    const std::int64_t end =
        std::max<std::int64_t>(DateOf(report.period.last).addDays(1).startOfDay().toMSecsSinceEpoch(), start + 1);
    StepLine occupancy;
    StepLine capacity;
    std::int32_t highest = report.peak;
    for (const ReportPoint &point : report.curve) {
        occupancy.Add(MsOf(point.at), point.count);
        capacity.Add(MsOf(point.at), point.capacity);
        highest = std::max(highest, point.capacity);
    }
    // Today's line ends at the moment it was printed.
    const std::int64_t held =
        printed.isValid() ? std::clamp<std::int64_t>(printed.toMSecsSinceEpoch(), start, end) : end;
    const CountScale scale = FitCounts(highest);
    const QRectF plot = PlotIn(panel, scale, painter.fontMetrics(), QFontMetrics(TitleFont(painter.font())));
    PaintCountChart(painter, panel, plot, DrawnLine(occupancy, held), DrawnLine(capacity, held), start, end, scale);
}

// Each day's entries and exits as bars.
void PaintDays(QPainter &painter, const QRect &panel, const HallReport &report)
{
    const bool named = report.days.size() <= 7;
    QStringList labels;
    std::vector<double> entries;
    std::vector<double> exits;
    for (const ReportDay &day : report.days) {
        labels.append(German().toString(DateOf(day.date), named ? QStringLiteral("ddd d.") : QStringLiteral("d.")));
        entries.push_back(static_cast<double>(day.total.entries));
        exits.push_back(static_cast<double>(day.total.exits));
    }
    const double highest = std::max(entries.empty() ? 0 : *std::max_element(entries.begin(), entries.end()),
                                    exits.empty() ? 0 : *std::max_element(exits.begin(), exits.end()));
    const CountScale scale = FitCounts(highest);
    const QRectF plot = PlotIn(panel, scale, painter.fontMetrics(), QFontMetrics(TitleFont(painter.font())));
    PaintPassageChart(painter, panel, plot, labels, entries, exits, scale);
}

// The average count in each hour of the day.
void PaintProfile(QPainter &painter, const QRect &panel, const HallReport &report)
{
    std::vector<double> averages;
    for (const std::optional<double> &average : report.hourly)
        averages.push_back(average.value_or(0));
    const CountScale scale = FitCounts(*std::max_element(averages.begin(), averages.end()));
    const QRectF plot = PlotIn(panel, scale, painter.fontMetrics(), QFontMetrics(TitleFont(painter.font())));
    PaintCountAxis(painter, panel, plot, scale, QStringLiteral("Personen"));
    PaintCellAxis(painter, plot, HourLabels());
    PaintBars(painter, plot, averages, scale, kOccupancyColour, kBarsFrom, kBarsTo);
    PaintLegend(painter, panel,
                {{QStringLiteral("Durchschnittlich in der Halle, je Stunde des Tages"), Qt::NoPen, kOccupancyColour}});
}

const std::vector<Column> kDayColumns = {{0.28, Qt::AlignLeft},
                                         {0.14, Qt::AlignRight},
                                         {0.14, Qt::AlignRight},
                                         {0.20, Qt::AlignRight},
                                         {0.24, Qt::AlignRight}};
const std::vector<Column> kWarningColumns = {{0.35, Qt::AlignLeft}, {0.35, Qt::AlignLeft}, {0.30, Qt::AlignRight}};

void PaintDayLines(Page &page, const HallReport &report)
{
    page.Heading(QStringLiteral("Die Tage"));
    page.Row(kDayColumns,
             {QStringLiteral("Tag"), QStringLiteral("Eintritte"), QStringLiteral("Austritte"),
              QStringLiteral("Höchststand"), QStringLiteral("An der Kapazität")},
             true, true);
    for (std::size_t index = 0; index < report.days.size(); ++index) {
        // A long range of days ends with those left out.
        if (page.Room() < 2 * page.RowHeight() && index + 1 < report.days.size()) {
            page.Row({{1.0, Qt::AlignLeft}}, {QStringLiteral("… und %1 weitere Tage")
                                                  .arg(Number(static_cast<std::int64_t>(report.days.size() - index)))});
            return;
        }
        const ReportDay &day = report.days[index];
        const QString date = German().toString(DateOf(day.date), QStringLiteral("ddd, dd.MM.yyyy"));
        if (!day.recorded)
            page.Row(kDayColumns, {date, QStringLiteral("nicht aufgezeichnet")});
        else
            page.Row(kDayColumns, {date, Number(day.total.entries), Number(day.total.exits), Number(day.peak),
                                   Duration(day.atCapacity)});
    }
}

void PaintWarnings(Page &page, const HallReport &report)
{
    if (page.Room() < 5 * page.RowHeight())
        return; // the first page counts them
    page.Heading(QStringLiteral("Warnungen der Lichtschranken"));
    page.Row(kWarningColumns, {QStringLiteral("Beginn"), QStringLiteral("Warnung"), QStringLiteral("Dauer")}, true,
             true);
    const std::size_t count = report.barrierWarnings.size();
    for (std::size_t index = 0; index < count; ++index) {
        // The last line that fits names those left out, which the first
        // page counts.
        if (page.Room() < 2 * page.RowHeight() && index + 1 < count) {
            page.Row({{1.0, Qt::AlignLeft}}, {QStringLiteral("… und %1 weitere (zusammengefasst auf Seite 1)")
                                                  .arg(Number(static_cast<std::int64_t>(count - index)))});
            return;
        }
        const ReportBarrierWarning &warning = report.barrierWarnings[index];
        page.Row(kWarningColumns, {German().toString(DateOf(warning.from.date), QStringLiteral("ddd, dd.MM.yyyy"))
                                       + QStringLiteral(", ") + Clock(warning.from.timeOfDay),
                                   WarningText(warning.kind), Duration(warning.duration)});
    }
}

void PaintReport(QPdfWriter &writer, const HallReport &report, const ReportFooter &footer)
{
    const QString hall = QString::fromStdString(report.hall);
    const bool secondPage = report.days.size() > 1 || !report.barrierWarnings.empty();
    const int pages = secondPage ? 2 : 1;
    const QString printed = footer.printed.isValid()
                                ? QStringLiteral(" · gedruckt am %1 um %2")
                                      .arg(German().toString(footer.printed.date(), QStringLiteral("dd.MM.yyyy")),
                                           German().toString(footer.printed.time(), QStringLiteral("HH:mm 'Uhr'")))
                                : QString();
    const QString program = QStringLiteral("Pontra %1%2 · Bericht %3, %4")
                                .arg(QStringLiteral(PONTRA_VERSION), printed, hall, ReportPeriodText(report.period));

    QPainter painter(&writer);
    const QRect area = writer.pageLayout().paintRectPixels(writer.resolution());
    // The painter's origin is the paintable area's corner.
    Page first(painter, QRect(QPoint(0, 0), area.size()));
    first.Text(QStringLiteral("Bericht %1").arg(hall), Font(kTitlePoints, true));
    first.Text(ReportPeriodText(report.period), Font(kPeriodPoints));
    first.Skip(2 * kGap);
    PaintFigures(first, report);
    first.Skip(kGap);
    painter.setFont(Font(kTextPoints));
    const int room = first.Room();
    const QRect upper = first.Panel(room * 11 / 20);
    if (report.period.kind == ReportPeriod::Kind::Day)
        PaintCurve(painter, upper, report, footer.printed);
    else
        PaintDays(painter, upper, report);
    painter.setFont(Font(kTextPoints));
    PaintProfile(painter, first.Panel(first.Room()), report);
    first.Footer(program, QStringLiteral("Seite 1 von %1").arg(pages), footer.journalCheck);
    if (!secondPage)
        return;

    writer.newPage();
    Page second(painter, QRect(QPoint(0, 0), area.size()));
    second.Text(QStringLiteral("Bericht %1 – %2").arg(hall, ReportPeriodText(report.period)),
                Font(kHeadingPoints, true));
    if (report.days.size() > 1)
        PaintDayLines(second, report);
    if (!report.barrierWarnings.empty())
        PaintWarnings(second, report);
    second.Footer(program, QStringLiteral("Seite 2 von 2"), footer.journalCheck);
}

} // namespace

ReportFileResult WriteReportPdf(const HallReport &report, const ReportFooter &footer, const QString &path,
                                const std::atomic<bool> *cancel)
{
    ReportFileResult result;
    const FilePlace place = PlaceToWrite(std::filesystem::path(path.toStdU16String()));
    if (!place.problem.empty()) {
        result.problem = QString::fromStdString(place.problem);
        return result;
    }
    QSaveFile file(QString::fromStdU16String(place.path.u16string()));
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = errno;
        return result;
    }
    {
        QPdfWriter writer(&file);
        writer.setResolution(kResolution);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
        writer.setTitle(
            QStringLiteral("Bericht %1, %2").arg(QString::fromStdString(report.hall), ReportPeriodText(report.period)));
        writer.setCreator(QStringLiteral("Pontra %1").arg(QStringLiteral(PONTRA_VERSION)));
        PaintReport(writer, report, footer);
    }
    if (cancel && cancel->load()) {
        file.cancelWriting();
        result.cancelled = true;
        return result;
    }
    errno = 0;
    result.saved = file.commit();
    if (!result.saved)
        result.error = errno;
    return result;
}
