#pragma once

#include "report/HallReport.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// The report's words and numbers in German, for each of its writers.

// "Tag", "Woche", "Monat", "Zeitraum".
std::string_view PeriodKindName(ReportPeriod::Kind kind);
// "2026-03-02".
std::string IsoDateText(std::chrono::year_month_day date);
// "Mo" … "So".
std::string_view WeekdayName(std::chrono::year_month_day date);
// A duration as hours, minutes and seconds, the hours not cut at a day:
// "0:05:00", "25:00:00".
std::string DurationText(std::chrono::seconds duration);
// A decimal with two places and a comma: "12,50".
std::string DecimalText(double value);
// What a barrier's warning was about, as the journal names it: "Eingang blockiert".
std::string_view WarningName(ReportBarrierWarning::Kind kind);
