#include "report/ReportTexts.h"

#include "hall/HallSource.h"
#include "journal/JournalRow.h"

#include <algorithm>
#include <array>
#include <cstdio>

using namespace std::chrono;

std::string_view PeriodKindName(ReportPeriod::Kind kind)
{
    switch (kind) {
    case ReportPeriod::Kind::Day:
        return "Tag";
    case ReportPeriod::Kind::Week:
        return "Woche";
    case ReportPeriod::Kind::Month:
        return "Monat";
    case ReportPeriod::Kind::Days:
        break;
    }
    return "Zeitraum";
}

std::string IsoDateText(year_month_day date)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

std::string_view WeekdayName(year_month_day date)
{
    static constexpr std::array<std::string_view, 7> kNames{"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"};
    return kNames[weekday(sys_days(date)).iso_encoding() - 1];
}

std::string DurationText(seconds duration)
{
    const long long total = std::max<long long>(0, duration.count());
    const auto twoDigits = [](long long value) { return (value < 10 ? "0" : "") + std::to_string(value); };
    return std::to_string(total / 3600) + ':' + twoDigits(total / 60 % 60) + ':' + twoDigits(total % 60);
}

std::string DecimalText(double value)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.2f", value);
    std::string decimal = text;
    for (char &c : decimal) {
        if (c == '.')
            c = ',';
    }
    return decimal;
}

std::string_view WarningName(ReportBarrierWarning::Kind kind)
{
    using Kind = ReportBarrierWarning::Kind;
    HallSource source = HallSource::PortLost;
    switch (kind) {
    case Kind::EntryBlocked:
        source = HallSource::EntryBlocked;
        break;
    case Kind::ExitBlocked:
        source = HallSource::ExitBlocked;
        break;
    case Kind::EntryFlickering:
        source = HallSource::EntryFlickering;
        break;
    case Kind::ExitFlickering:
        source = HallSource::ExitFlickering;
        break;
    case Kind::PortLost:
        break;
    }
    return JournalSourceName(static_cast<std::uint16_t>(source));
}
