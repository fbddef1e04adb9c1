#include "report/HallReport.h"

using namespace std::chrono;

ReportPeriod DayPeriod(year_month_day date)
{
    return {ReportPeriod::Kind::Day, date, date};
}

ReportPeriod WeekPeriod(year_month_day date)
{
    const sys_days day(date);
    const sys_days monday = day - days(weekday(day).iso_encoding() - 1);
    return {ReportPeriod::Kind::Week, year_month_day(monday), year_month_day(monday + days(6))};
}

ReportPeriod MonthPeriod(year_month_day date)
{
    return {ReportPeriod::Kind::Month, date.year() / date.month() / 1,
            year_month_day(date.year() / date.month() / last)};
}
