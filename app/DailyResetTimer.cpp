#include "app/DailyResetTimer.h"

#include "hall/Hall.h"
#include "hall/LocalTime.h"

DailyResetTimer::DailyResetTimer(Hall &hall, DailyResetSchedule schedule, Clock now, QObject *parent)
    : QObject(parent), hall_(hall), schedule_(schedule), now_(std::move(now))
{
    timer_.setInterval(kCheckInterval);
    connect(&timer_, &QTimer::timeout, this, &DailyResetTimer::Check);
    FollowSchedule();
}

void DailyResetTimer::Change(std::optional<std::chrono::minutes> at)
{
    schedule_.Change(at, LocalTimeAt(now_()));
    FollowSchedule();
}

void DailyResetTimer::Check()
{
    const auto now = now_();
    if (schedule_.ResetNow(LocalTimeAt(now)))
        hall_.Apply({.source = HallSource::DailyReset, .time = now});
}

void DailyResetTimer::FollowSchedule()
{
    if (schedule_.At())
        timer_.start();
    else
        timer_.stop();
}
