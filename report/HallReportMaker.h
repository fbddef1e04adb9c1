#pragma once

#include "journal/JournalRow.h"
#include "report/HallReport.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

class JournalReader;

// The rows a report is made from: the period's, in the order they were
// written, and the rows on either side, which tell whether the program ran
// on across the period's start and end.
struct ReportRows {
    // The last row before the period.
    std::optional<JournalRow> before;
    std::vector<JournalRow> rows;
    // The first row after the period.
    std::optional<JournalRow> after;
};

struct ReportOptions {
    std::string hall = "Halle";
    // WarnPercent as the program reads it; outside 1..99 no nearly-full time.
    int warnPercent = 0;
    // When the report is made: the journal's last run lasts until now at most.
    std::chrono::system_clock::time_point now = std::chrono::system_clock::now();
};

// Reads the period's rows and those on either side. Throws JournalError.
ReportRows ReadReportRows(const JournalReader &journal, const ReportPeriod &period);

// The report's figures from the rows alone.
//
// The journal records changes, not when the program ended, so the time the
// program ran is taken thus: between two rows of one run (no start between
// them) it ran, and the count held until the next row, across midnight too.
// The last row of a run (the next row is a start, or there is none) holds
// until the end of its local day, the next start or the present moment,
// whichever comes first; a barrier's warning still open ends there too.
// Every time is a real duration: a day on which the clock changes has 23 or
// 25 hours. Between rows whose UTC offsets differ the system's time zone
// says where the clock changed, if it agrees with both rows' offsets (else
// the earlier row's offset holds until the later row).
//
// Passages are the rows' changes: each barrier's and key's +1 and -1, and
// for the other doors the difference between the count they told and the
// count before (a rise as entries, a fall as exits).
HallReport MakeHallReport(const ReportRows &rows, const ReportPeriod &period, const ReportOptions &options);
