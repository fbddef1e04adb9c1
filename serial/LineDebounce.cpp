#include "serial/LineDebounce.h"

void LineDebounce::Reset(bool level)
{
    level_ = level;
    read_ = level;
}

void LineDebounce::Read(bool level, Time at)
{
    if (level == read_)
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
