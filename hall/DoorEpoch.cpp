#include "hall/DoorEpoch.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

using namespace std::chrono;

// "YYYY-MM-DDTHH:MM:SS.mmmZ", then "/" and the door.
constexpr std::size_t kTimeLength = 24;

constexpr DoorEpoch::Time kFirst = sys_days(year(0) / January / 1);
constexpr DoorEpoch::Time kLast = sys_days(year(9999) / December / 31) + days(1) - milliseconds(1);

// The unsigned number of `length` digits at `at`; -1 when there is none.
int Digits(std::string_view text, std::size_t at, std::size_t length)
{
    int value = -1;
    const char *first = text.data() + at;
    const auto [end, error] = std::from_chars(first, first + length, value);
    return error == std::errc() && end == first + length && *first != '-' && *first != '+' ? value : -1;
}

} // namespace

DoorEpoch::DoorEpoch(Time at, std::string_view door)
    : at_(std::clamp(at, kFirst, kLast))
{
    const auto day = floor<days>(at_);
    const year_month_day date(day);
    const hh_mm_ss<milliseconds> clock(at_ - day);
    // Room for any int, so that the compiler sees no truncation; the clamp
    // keeps it to kTimeLength.
    char text[64];
    const int length = std::snprintf(
        text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
        static_cast<int>(clock.minutes().count()), static_cast<int>(clock.seconds().count()),
        static_cast<int>(clock.subseconds().count()));
    id_.reserve(kTimeLength + 1 + door.size());
    id_.append(text, static_cast<std::size_t>(length)).append(1, '/').append(door);
}

std::optional<DoorEpoch> DoorEpoch::Parse(std::string_view id)
{
    if (id.empty())
        return DoorEpoch();
    if (id.size() <= kTimeLength + 1 || id[kTimeLength] != '/')
        return std::nullopt;
    const int fields[] = {Digits(id, 0, 4),  Digits(id, 5, 2),  Digits(id, 8, 2),  Digits(id, 11, 2),
                          Digits(id, 14, 2), Digits(id, 17, 2), Digits(id, 20, 3)};
    if (std::find(std::begin(fields), std::end(fields), -1) != std::end(fields))
        return std::nullopt;
    const year_month_day date(year(fields[0]), month(static_cast<unsigned>(fields[1])),
                              day(static_cast<unsigned>(fields[2])));
    if (!date.ok())
        return std::nullopt;
    const Time at = sys_days(date) + hours(fields[3]) + minutes(fields[4]) + seconds(fields[5]) +
                    milliseconds(fields[6]);
    // Made again from what was read, the name must come out the same: that
    // refuses hours past 23, stray characters and every other spelling.
    DoorEpoch epoch(at, id.substr(kTimeLength + 1));
    if (epoch.id_ != id)
        return std::nullopt;
    return epoch;
}

std::string_view DoorEpoch::Door() const
{
    return Initial() ? std::string_view() : std::string_view(id_).substr(kTimeLength + 1);
}
