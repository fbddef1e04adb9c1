#include "hall/DailyResetSchedule.h"

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

bool ParseDailyResetTime(std::string_view text, std::optional<std::chrono::minutes> &at)
{
    text = Trimmed(text);
    if (text.empty()) {
        at.reset();
        return true;
    }
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || colon < 1 || colon > 2 || text.size() != colon + 3)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != colon && !IsDigit(text[i]))
            return false;
    }
    int hours = 0;
    for (std::size_t i = 0; i < colon; ++i)
        hours = hours * 10 + (text[i] - '0');
    const int minutes = (text[colon + 1] - '0') * 10 + (text[colon + 2] - '0');
    if (hours > 23 || minutes > 59)
        return false;
    at = std::chrono::hours(hours) + std::chrono::minutes(minutes);
    return true;
}

DailyResetSchedule::DailyResetSchedule(std::optional<std::chrono::minutes> at,
                                       std::optional<std::chrono::year_month_day> lastReset)
    : at_(at), lastReset_(lastReset)
{
}

void DailyResetSchedule::Change(std::optional<std::chrono::minutes> at, const LocalTime &now)
{
    at_ = at;
    if (at_ && now.timeOfDay >= *at_ && !DoneOn(now.date))
        lastReset_ = now.date;
}

bool DailyResetSchedule::ResetNow(const LocalTime &now)
{
    if (!at_ || now.timeOfDay < *at_ || DoneOn(now.date))
        return false;
    lastReset_ = now.date;
    return true;
}
