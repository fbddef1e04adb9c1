#include "report/ReportCsv.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace std::chrono;

TEST(ReportCsv, WritesEachPartAsGermanSpreadsheetsReadIt)
{
    HallReport report;
    report.period = WeekPeriod(year(2026) / 3 / 4);
    report.hall = "Halle \"Nord\"; oben";
    report.warnPercent = 80;
    report.barriers = {120, 118};
    report.keys = {3, 1};
    report.otherDoors = {0, 2};
    report.total = {123, 121};
    report.countAtStart = 0;
    report.countAtEnd = 2;
    report.starts = 1;
    report.peak = 40;
    report.peakAt = LocalTime{year(2026) / 3 / 3, hours(14) + minutes(5), hours(1)};
    report.atCapacity = hours(25) + seconds(7);
    report.timesFull = 2;
    report.nearlyFull = minutes(90);
    report.manualResets = 1;
    report.barrierWarnings = {{ReportBarrierWarning::Kind::ExitFlickering,
                               LocalTime{year(2026) / 3 / 8, hours(23), hours(1)}, minutes(61)}};
    report.hourly[9] = 12.5;
    report.hourly[10] = 2.0 / 3;
    for (unsigned day = 2; day <= 8; ++day)
        report.days.push_back({year(2026) / 3 / day, day == 3, {day == 3 ? 123 : 0, day == 3 ? 121 : 0},
                               day == 3 ? 40 : 0, day == 3 ? hours(25) + seconds(7) : seconds(0)});

    std::ostringstream out;
    WriteReportCsv(out, report);
    std::string expected = "\xEF\xBB\xBF"
                           "Kennzahl;Wert\r\n"
                           "Halle;\"Halle \"\"Nord\"\"; oben\"\r\n"
                           "Zeitraum;Woche\r\n"
                           "Erster Tag;2026-03-02\r\n"
                           "Letzter Tag;2026-03-08\r\n"
                           "Eintritte Lichtschranken;120\r\n"
                           "Austritte Lichtschranken;118\r\n"
                           "Eintritte REIN;3\r\n"
                           "Austritte RAUS;1\r\n"
                           "Eintritte andere Eingänge;0\r\n"
                           "Austritte andere Eingänge;2\r\n"
                           "Eintritte gesamt;123\r\n"
                           "Austritte gesamt;121\r\n"
                           "Stand zu Beginn;0\r\n"
                           "Stand am Ende;2\r\n"
                           "Starts mit neuem Stand;1\r\n"
                           "Starts mit übernommenem Stand;0\r\n"
                           "Höchststand;40\r\n"
                           "Höchststand erreicht;2026-03-03T14:05:00+01:00\r\n"
                           "Kapazität erreicht (Anzahl);2\r\n"
                           "Zeit an oder über der Kapazität;25:00:07\r\n"
                           "Zeit fast voll (ab 80 % der Kapazität);1:30:00\r\n"
                           "Rücksetzungen von Hand;1\r\n"
                           "davon an anderen Eingängen;0\r\n"
                           "Tagesresets;0\r\n"
                           "Lichtschrankenwarnungen;1\r\n"
                           "\r\n"
                           "Tag;Wochentag;aufgezeichnet;Eintritte;Austritte;Höchststand;Zeit an oder über der Kapazität\r\n"
                           "2026-03-02;Mo;nein;;;;\r\n"
                           "2026-03-03;Di;ja;123;121;40;25:00:07\r\n"
                           "2026-03-04;Mi;nein;;;;\r\n"
                           "2026-03-05;Do;nein;;;;\r\n"
                           "2026-03-06;Fr;nein;;;;\r\n"
                           "2026-03-07;Sa;nein;;;;\r\n"
                           "2026-03-08;So;nein;;;;\r\n"
                           "\r\n"
                           "Stunde;durchschnittlicher Stand\r\n";
    for (int hour = 0; hour < 24; ++hour) {
        char line[40];
        std::snprintf(line, sizeof line, "%02d:00–%02d:00;%s\r\n", hour, hour + 1,
                      hour == 9 ? "12,50" : hour == 10 ? "0,67" : "");
        expected += line;
    }
    expected += "\r\n"
                "Warnung;Beginn;Dauer\r\n"
                "Ausgang flattert;2026-03-08T23:00:00+01:00;1:01:00\r\n";
    EXPECT_EQ(out.str(), expected);
}

} // namespace
