#pragma once

#include "hall/HallSource.h"
#include "journal/JournalRow.h"
#include "journal/JournalTestSupport.h"

#include <QtGlobal>

#include <chrono>
#include <vector>

// A day that both drawings of the day's charts are checked on.

// 2026-03-10 at a local time of CET (UTC+1).
inline std::chrono::sys_seconds March10(int hour, int minute = 0, int second = 0)
{
    using namespace std::chrono;
    return sys_days(year(2026) / March / 10) + hours(hour - 1) + minutes(minute) + seconds(second);
}

inline JournalRow At(std::chrono::sys_seconds utc, HallSource source, JournalChange change, std::int32_t count,
                     std::int32_t capacity = 5)
{
    return Row(utc, 60, static_cast<std::uint16_t>(source), change, count, capacity);
}

// Up to 3 by 10:05, down to 2 at 10:30, 3 again at 11:00 with the capacity
// raised from 5 to 8, and reset at noon.
inline const std::vector<JournalRow> kDay = {
    At(March10(8), HallSource::Start, JournalChange::Started, 0),
    At(March10(9, 10), HallSource::EntryBarrier, JournalChange::Up, 1),
    At(March10(9, 10, 30), HallSource::In, JournalChange::Up, 2),
    At(March10(10, 5), HallSource::EntryBarrier, JournalChange::Up, 3),
    At(March10(10, 30), HallSource::ExitBarrier, JournalChange::Down, 2),
    At(March10(11), HallSource::In, JournalChange::Up, 3, 8),
    At(March10(12), HallSource::Reset, JournalChange::Reset, 0, 8),
};

inline qreal Ms(std::chrono::system_clock::time_point time)
{
    using namespace std::chrono;
    return static_cast<qreal>(duration_cast<milliseconds>(time.time_since_epoch()).count());
}
