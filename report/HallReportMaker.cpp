#include "report/HallReportMaker.h"

#include "hall/HallSource.h"
#include "hall/OccupancyState.h"
#include "journal/JournalReader.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

using namespace std::chrono;
using Instant = sys_time<milliseconds>;

constexpr std::int64_t kHourMs = 3'600'000;
constexpr std::int64_t kDayMs = 24 * kHourMs;

std::int64_t FloorDiv(std::int64_t value, std::int64_t by)
{
    const std::int64_t quotient = value / by;
    return quotient * by > value ? quotient - 1 : quotient;
}

std::int64_t WallMs(Instant at, seconds utcOffset)
{
    return at.time_since_epoch().count() + utcOffset.count() * 1000;
}

bool IsStart(const JournalRow &row)
{
    return row.change == JournalChange::Started || row.change == JournalChange::Resumed;
}

seconds SystemOffset(Instant at)
{
    return LocalTimeAt(system_clock::time_point(at)).utcOffset;
}

class Maker {
public:
    Maker(const ReportPeriod &period, const ReportOptions &options, std::size_t rows);

    // A row of the period; previous: the row before it, if any.
    void Row(const JournalRow &row, const JournalRow *previous);
    // The time from a row to the next (none: the journal's last row).
    void Stretch(const JournalRow &row, const JournalRow *next);
    HallReport Finish();

private:
    enum Side { Entry, Exit, Port };

    void Piece(Instant from, Instant to, std::int64_t wall, seconds utcOffset, const JournalRow &row,
               std::int64_t rowDay);
    void Observe(std::int32_t count, const LocalTime &at, std::int64_t day);
    void Passage(std::uint16_t source, std::int64_t delta, std::int64_t day);
    void Warning(const JournalRow &row);
    void Open(Side side, ReportBarrierWarning::Kind kind, const JournalRow &row);
    void Close(Side side, Instant at);
    void CloseAll();
    std::int64_t DayOf(std::int64_t wall) const { return FloorDiv(wall, kDayMs) - firstDay_; }

    HallReport report_;
    std::int64_t firstDay_;
    std::int64_t dayCount_;
    Instant now_;
    std::vector<std::int64_t> dayAtCapacityMs_;
    std::array<double, 24> hourCountMs_{};
    std::array<std::int64_t, 24> hourMs_{};
    std::int64_t atCapacityMs_ = 0;
    std::int64_t nearlyFullMs_ = 0;
    // The last piece of time counted: a full one right before a full one
    // continues it.
    std::optional<Instant> lastEnd_;
    bool lastFull_ = false;
    // How far the period's time has been counted: a warning still open when
    // a run or the period ends is cut there.
    Instant reached_{};
    std::array<std::optional<std::size_t>, 3> open_;
    std::array<Instant, 3> openSince_{};
};

Maker::Maker(const ReportPeriod &period, const ReportOptions &options, std::size_t rows)
    : firstDay_(sys_days(period.first).time_since_epoch().count())
    , dayCount_(std::max<std::int64_t>(0, (sys_days(period.last) - sys_days(period.first)).count() + 1))
    , now_(floor<milliseconds>(options.now))
    , dayAtCapacityMs_(static_cast<std::size_t>(dayCount_), 0)
{
    report_.period = period;
    report_.hall = options.hall;
    if (options.warnPercent >= 1 && options.warnPercent <= 99) {
        report_.warnPercent = options.warnPercent;
        report_.nearlyFull = seconds(0);
    }
    // A point per row at most, and one for the count carried in.
    report_.curve.reserve(rows + 1);
    report_.days.resize(dayAtCapacityMs_.size());
    for (std::int64_t day = 0; day < dayCount_; ++day)
        report_.days[static_cast<std::size_t>(day)].date = year_month_day(sys_days(days(firstDay_ + day)));
}

void Maker::Observe(std::int32_t count, const LocalTime &at, std::int64_t day)
{
    if (!report_.peakAt || count > report_.peak) {
        report_.peak = count;
        report_.peakAt = at;
    }
    ReportDay &line = report_.days[static_cast<std::size_t>(day)];
    line.recorded = true;
    line.peak = std::max(line.peak, count);
}

void Maker::Passage(std::uint16_t source, std::int64_t delta, std::int64_t day)
{
    ReportPassages *passages = nullptr;
    switch (static_cast<HallSource>(source)) {
    case HallSource::EntryBarrier:
    case HallSource::ExitBarrier:
        passages = &report_.barriers;
        break;
    case HallSource::In:
    case HallSource::Out:
        passages = &report_.keys;
        break;
    case HallSource::OtherDoors:
        passages = &report_.otherDoors;
        break;
    default:
        return;
    }
    ReportPassages &total = report_.days[static_cast<std::size_t>(day)].total;
    if (delta > 0) {
        passages->entries += delta;
        total.entries += delta;
    } else {
        passages->exits -= delta;
        total.exits -= delta;
    }
}

void Maker::Row(const JournalRow &row, const JournalRow *previous)
{
    const LocalTime local = row.Local();
    const std::int64_t day = DayOf(WallMs(row.time, row.utcOffset));
    // The reader gives only the period's rows; one outside is no part of it.
    if (day < 0 || day >= dayCount_)
        return;
    reached_ = row.time;
    Observe(row.count, local, day);
    switch (row.change) {
    case JournalChange::Up:
    case JournalChange::Down:
        Passage(row.source, row.change == JournalChange::Up ? 1 : -1, day);
        break;
    case JournalChange::Merged:
        if (previous)
            Passage(row.source, std::int64_t{row.count} - previous->count, day);
        break;
    case JournalChange::Reset:
        if (row.source == static_cast<std::uint16_t>(HallSource::DailyReset))
            ++report_.dailyResets;
        else
            ++report_.manualResets;
        if (row.source == static_cast<std::uint16_t>(HallSource::OtherDoorReset))
            ++report_.otherDoorResets;
        break;
    case JournalChange::Started:
        ++report_.starts;
        break;
    case JournalChange::Resumed:
        ++report_.resumes;
        break;
    case JournalChange::None:
        Warning(row);
        break;
    }
    if (report_.curve.empty() || report_.curve.back().count != row.count
        || report_.curve.back().capacity != row.capacity)
        report_.curve.push_back({local, row.count, row.capacity});
}

void Maker::Warning(const JournalRow &row)
{
    using Kind = ReportBarrierWarning::Kind;
    switch (static_cast<HallSource>(row.source)) {
    case HallSource::EntryBlocked:
        return Open(Entry, Kind::EntryBlocked, row);
    case HallSource::EntryFlickering:
        return Open(Entry, Kind::EntryFlickering, row);
    case HallSource::EntryClear:
        return Close(Entry, row.time);
    case HallSource::ExitBlocked:
        return Open(Exit, Kind::ExitBlocked, row);
    case HallSource::ExitFlickering:
        return Open(Exit, Kind::ExitFlickering, row);
    case HallSource::ExitClear:
        return Close(Exit, row.time);
    case HallSource::PortLost:
        return Open(Port, Kind::PortLost, row);
    case HallSource::PortBack:
        return Close(Port, row.time);
    default:
        return;
    }
}

void Maker::Open(Side side, ReportBarrierWarning::Kind kind, const JournalRow &row)
{
    // Blocked turning to flickering ends one warning and begins the next.
    Close(side, row.time);
    open_[side] = report_.barrierWarnings.size();
    openSince_[side] = row.time;
    report_.barrierWarnings.push_back({kind, row.Local(), seconds(0)});
}

void Maker::Close(Side side, Instant at)
{
    if (!open_[side])
        return;
    report_.barrierWarnings[*open_[side]].duration = floor<seconds>(std::max(at - openSince_[side], milliseconds(0)));
    open_[side].reset();
}

void Maker::Stretch(const JournalRow &row, const JournalRow *next)
{
    const bool runGoesOn = next && !IsStart(*next);
    const Instant end = next ? next->time : now_;
    // Where the offsets at both ends differ, the clock changed between them,
    // and where the end is the day's it may: the system's zone tells where,
    // if it agrees with the rows.
    const bool zone = !(next && next->utcOffset == row.utcOffset) && SystemOffset(row.time) == row.utcOffset
                      && (!next || SystemOffset(next->time) == next->utcOffset);
    const std::int64_t rowDay = DayOf(WallMs(row.time, row.utcOffset));
    Instant at = row.time;
    // Piece by piece, each within one local hour.
    while (at < end) {
        const seconds offset = zone ? SystemOffset(at) : row.utcOffset;
        const std::int64_t wall = WallMs(at, offset);
        const std::int64_t day = DayOf(wall);
        if ((!runGoesOn && day != rowDay) || day >= dayCount_)
            break;
        const Instant to =
            std::min(end, Instant(milliseconds((FloorDiv(wall, kHourMs) + 1) * kHourMs - offset.count() * 1000)));
        if (day >= 0)
            Piece(at, to, wall, offset, row, rowDay);
        at = to;
    }
    if (!runGoesOn)
        CloseAll();
}

void Maker::CloseAll()
{
    for (const Side side : {Entry, Exit, Port})
        Close(side, reached_);
}

void Maker::Piece(Instant from, Instant to, std::int64_t wall, seconds utcOffset, const JournalRow &row,
                  std::int64_t rowDay)
{
    const std::int64_t ms = (to - from).count();
    const std::int64_t day = DayOf(wall);
    const auto hour = static_cast<std::size_t>(FloorDiv(wall, kHourMs) - FloorDiv(wall, kDayMs) * 24);
    hourCountMs_[hour] += static_cast<double>(row.count) * static_cast<double>(ms);
    hourMs_[hour] += ms;
    const OccupancyState state = OccupancyStateOf(row.count, row.capacity, report_.warnPercent);
    const bool full = state == OccupancyState::Full;
    if (full) {
        atCapacityMs_ += ms;
        dayAtCapacityMs_[static_cast<std::size_t>(day)] += ms;
        // Reached from below, or full as the period or a run begins.
        if (!(lastFull_ && lastEnd_ == from))
            ++report_.timesFull;
    } else if (state == OccupancyState::NearlyFull) {
        nearlyFullMs_ += ms;
    }
    lastEnd_ = to;
    lastFull_ = full;
    reached_ = to;
    // A count held from an earlier day (or from before the period).
    if (day != rowDay) {
        const LocalTime at = LocalTimeOf(from, utcOffset);
        if (report_.curve.empty())
            report_.curve.push_back({at, row.count, row.capacity});
        Observe(row.count, at, day);
    }
}

HallReport Maker::Finish()
{
    // What the period's end found still warned of.
    CloseAll();
    const auto toSeconds = [](std::int64_t ms) { return duration_cast<seconds>(milliseconds(ms)); };
    report_.atCapacity = toSeconds(atCapacityMs_);
    if (report_.nearlyFull)
        report_.nearlyFull = toSeconds(nearlyFullMs_);
    for (std::size_t day = 0; day < report_.days.size(); ++day)
        report_.days[day].atCapacity = toSeconds(dayAtCapacityMs_[day]);
    for (std::size_t hour = 0; hour < 24; ++hour) {
        if (hourMs_[hour] > 0)
            report_.hourly[hour] = hourCountMs_[hour] / static_cast<double>(hourMs_[hour]);
    }
    for (const ReportPassages *part : {&report_.barriers, &report_.keys, &report_.otherDoors}) {
        report_.total.entries += part->entries;
        report_.total.exits += part->exits;
    }
    return std::move(report_);
}

} // namespace

ReportRows ReadReportRows(const JournalReader &journal, const ReportPeriod &period)
{
    ReportRows rows;
    rows.before = journal.LastRowBefore(period.first);
    rows.rows = journal.Rows(period.first, period.last);
    rows.after = journal.FirstRowFrom(year_month_day(sys_days(period.last) + days(1)));
    return rows;
}

HallReport MakeHallReport(const ReportRows &rows, const ReportPeriod &period, const ReportOptions &options)
{
    Maker maker(period, options, rows.rows.size());
    const JournalRow *previous = rows.before ? &*rows.before : nullptr;
    const auto following = [&](std::size_t index) {
        return index < rows.rows.size() ? &rows.rows[index] : rows.after ? &*rows.after : nullptr;
    };
    if (previous)
        maker.Stretch(*previous, following(0));
    for (std::size_t i = 0; i < rows.rows.size(); ++i) {
        maker.Row(rows.rows[i], previous);
        maker.Stretch(rows.rows[i], following(i + 1));
        previous = &rows.rows[i];
    }
    HallReport report = maker.Finish();
    report.countAtStart = rows.before ? std::optional(rows.before->count) : std::nullopt;
    report.countAtEnd = rows.rows.empty() ? report.countAtStart : std::optional(rows.rows.back().count);
    return report;
}
