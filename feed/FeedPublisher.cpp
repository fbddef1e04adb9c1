#include "feed/FeedPublisher.h"

#include "feed/FeedService.h"

#include <algorithm>

FeedPublisher::FeedPublisher(FeedService &server, std::int32_t count, std::int32_t capacity, int warnPercent)
    : server_(server), warnPercent_(warnPercent)
{
    snapshot_.count = count;
    snapshot_.capacity = capacity;
    Publish(std::chrono::system_clock::now());
}

void FeedPublisher::HallChanged(const HallChange &change)
{
    snapshot_.count = change.count;
    snapshot_.capacity = change.capacity;
    if (change.delta != 0) {
        const bool in = change.delta > 0;
        auto &totals = snapshot_.passages;
        const auto found = std::find_if(totals.begin(), totals.end(), [&](const PassageTotal &total) {
            return total.source == change.source && total.in == in;
        });
        if (found == totals.end())
            totals.push_back({change.source, in, 1});
        else
            ++found->passages;
    }
    Publish(change.time);
}

void FeedPublisher::CapacityChanged(std::int32_t capacity)
{
    snapshot_.capacity = capacity;
    Publish(std::chrono::system_clock::now());
}

void FeedPublisher::SetWarnPercent(int warnPercent)
{
    warnPercent_ = warnPercent;
    Publish(std::chrono::system_clock::now());
}

void FeedPublisher::SetWarnings(std::vector<std::string> warnings, bool entryBlocked, bool exitBlocked)
{
    snapshot_.warnings = std::move(warnings);
    snapshot_.entryBlocked = entryBlocked;
    snapshot_.exitBlocked = exitBlocked;
    Publish(std::chrono::system_clock::now());
}

void FeedPublisher::SetLamp(std::optional<LampState> lamp)
{
    snapshot_.lamp = lamp;
    Publish(std::chrono::system_clock::now());
}

void FeedPublisher::Publish(std::chrono::system_clock::time_point time)
{
    snapshot_.state = OccupancyStateOf(snapshot_.count, snapshot_.capacity, warnPercent_);
    snapshot_.updated = time;
    server_.Publish(snapshot_);
}
