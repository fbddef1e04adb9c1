#include "hall/LocalTime.h"

#include <ctime>

namespace {

// The system's offset from UTC at an instant; 0 when it cannot say.
std::chrono::seconds SystemUtcOffset(std::time_t time)
{
    std::tm local{};
#if defined(_WIN32)
    if (localtime_s(&local, &time) != 0)
        return std::chrono::seconds(0);
    return std::chrono::seconds(static_cast<long long>(_mkgmtime(&local) - time));
#else
    if (!localtime_r(&time, &local))
        return std::chrono::seconds(0);
    return std::chrono::seconds(local.tm_gmtoff);
#endif
}

} // namespace

LocalTime LocalTimeAt(std::chrono::system_clock::time_point time)
{
    const auto utc = std::chrono::floor<std::chrono::milliseconds>(time);
    const auto seconds = std::chrono::floor<std::chrono::seconds>(utc).time_since_epoch().count();
    return LocalTimeOf(utc, SystemUtcOffset(static_cast<std::time_t>(seconds)));
}

LocalTime LocalTimeOf(std::chrono::sys_time<std::chrono::milliseconds> utc, std::chrono::seconds utcOffset)
{
    const auto wall = utc + utcOffset;
    const auto day = std::chrono::floor<std::chrono::days>(wall);
    return {std::chrono::year_month_day(day), std::chrono::floor<std::chrono::seconds>(wall - day), utcOffset};
}

std::chrono::system_clock::time_point NextLocalDayStart(std::chrono::system_clock::time_point time)
{
    const LocalTime now = LocalTimeAt(time);
    const std::chrono::year_month_day next(std::chrono::sys_days(now.date) + std::chrono::days(1));
    std::tm midnight{};
    midnight.tm_year = static_cast<int>(next.year()) - 1900;
    midnight.tm_mon = static_cast<int>(static_cast<unsigned>(next.month())) - 1;
    midnight.tm_mday = static_cast<int>(static_cast<unsigned>(next.day()));
    midnight.tm_isdst = -1;
    const std::time_t start = std::mktime(&midnight);
    // Without an answer from the system, by today's offset.
    if (start == static_cast<std::time_t>(-1))
        return std::chrono::floor<std::chrono::seconds>(time) - now.timeOfDay + std::chrono::days(1);
    return std::chrono::system_clock::from_time_t(start);
}
