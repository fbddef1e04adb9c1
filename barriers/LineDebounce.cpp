#include "barriers/LineDebounce.h"

void LineDebounce::Reset(bool level, std::uint32_t changes, Time at)
{
    level_ = level;
    read_ = level;
    readSince_ = at;
    readAt_ = at;
    changes_ = changes;
}

void LineDebounce::Read(bool level, std::uint32_t changes, Time at)
{
    // A counter behind the last one belongs to a reading taken before it
    // too (the two can cross on their way); it brings no news.
    const std::uint32_t changed = changes - changes_;
    if (at < readAt_ || changed > INT32_MAX)
        return;
    readAt_ = at;
    changes_ = changes;
    if (level == read_ && changed < 2)
        return;
    read_ = level;
    readSince_ = at;
}

std::optional<bool> LineDebounce::Settle(Time now)
{
    if (read_ == level_ || now - readSince_ < hold_)
        return std::nullopt;
    level_ = read_;
    return level_;
}

std::optional<LineDebounce::Time> LineDebounce::Deadline() const
{
    if (read_ == level_)
        return std::nullopt;
    return readSince_ + hold_;
}
