#include "report/ReportCsv.h"

#include "journal/JournalCsv.h"
#include "report/ReportTexts.h"

#include <cstdio>
#include <string>

namespace {

using namespace std::chrono;

void Line(std::ostream &out, std::string_view name, const std::string &value)
{
    out << CsvField(name) << ';' << value << "\r\n";
}

void Line(std::ostream &out, std::string_view name, std::int64_t value)
{
    Line(out, name, std::to_string(value));
}

template <typename Value>
std::string Known(const std::optional<Value> &value)
{
    return value ? std::to_string(*value) : std::string();
}

void Figures(std::ostream &out, const HallReport &report)
{
    out << "Kennzahl;Wert\r\n";
    Line(out, "Halle", CsvField(report.hall));
    Line(out, "Zeitraum", std::string(PeriodKindName(report.period.kind)));
    Line(out, "Erster Tag", IsoDateText(report.period.first));
    Line(out, "Letzter Tag", IsoDateText(report.period.last));
    Line(out, "Eintritte Lichtschranken", report.barriers.entries);
    Line(out, "Austritte Lichtschranken", report.barriers.exits);
    Line(out, "Eintritte REIN", report.keys.entries);
    Line(out, "Austritte RAUS", report.keys.exits);
    Line(out, "Eintritte andere Eingänge", report.otherDoors.entries);
    Line(out, "Austritte andere Eingänge", report.otherDoors.exits);
    Line(out, "Eintritte gesamt", report.total.entries);
    Line(out, "Austritte gesamt", report.total.exits);
    Line(out, "Stand zu Beginn", Known(report.countAtStart));
    Line(out, "Stand am Ende", Known(report.countAtEnd));
    Line(out, "Starts mit neuem Stand", report.starts);
    Line(out, "Starts mit übernommenem Stand", report.resumes);
    Line(out, "Höchststand", report.peakAt ? std::to_string(report.peak) : std::string());
    Line(out, "Höchststand erreicht", report.peakAt ? LocalTimeText(*report.peakAt) : std::string());
    Line(out, "Kapazität erreicht (Anzahl)", report.timesFull);
    Line(out, "Zeit an oder über der Kapazität", DurationText(report.atCapacity));
    if (report.nearlyFull)
        Line(out, "Zeit fast voll (ab " + std::to_string(report.warnPercent) + " % der Kapazität)",
             DurationText(*report.nearlyFull));
    Line(out, "Rücksetzungen von Hand", report.manualResets);
    Line(out, "davon an anderen Eingängen", report.otherDoorResets);
    Line(out, "Tagesresets", report.dailyResets);
    Line(out, "Lichtschrankenwarnungen", static_cast<std::int64_t>(report.barrierWarnings.size()));
}

void Days(std::ostream &out, const HallReport &report)
{
    out << "Tag;Wochentag;aufgezeichnet;Eintritte;Austritte;Höchststand;Zeit an oder über der Kapazität\r\n";
    for (const ReportDay &day : report.days) {
        out << IsoDateText(day.date) << ';' << WeekdayName(day.date) << ';';
        if (day.recorded)
            out << "ja;" << day.total.entries << ';' << day.total.exits << ';' << day.peak << ';'
                << DurationText(day.atCapacity) << "\r\n";
        else
            out << "nein;;;;\r\n";
    }
}

void Hours(std::ostream &out, const HallReport &report)
{
    out << "Stunde;durchschnittlicher Stand\r\n";
    for (unsigned hour = 0; hour < report.hourly.size(); ++hour) {
        char span[32];
        std::snprintf(span, sizeof span, "%02u:00–%02u:00", hour, hour + 1);
        out << span << ';' << (report.hourly[hour] ? DecimalText(*report.hourly[hour]) : std::string()) << "\r\n";
    }
}

void Warnings(std::ostream &out, const HallReport &report)
{
    out << "Warnung;Beginn;Dauer\r\n";
    for (const ReportBarrierWarning &warning : report.barrierWarnings)
        out << CsvField(WarningName(warning.kind)) << ';' << LocalTimeText(warning.from) << ';'
            << DurationText(warning.duration) << "\r\n";
}

} // namespace

void WriteReportCsv(std::ostream &out, const HallReport &report)
{
    out << "\xEF\xBB\xBF";
    Figures(out, report);
    out << "\r\n";
    Days(out, report);
    out << "\r\n";
    Hours(out, report);
    out << "\r\n";
    Warnings(out, report);
}
