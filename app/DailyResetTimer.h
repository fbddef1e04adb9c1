#pragma once

#include "hall/DailyResetSchedule.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

class Hall;

// Sets the count to 0 at the set local time of day, once a day. A timer asks
// every few seconds whether the reset is due, rather than waiting once for
// the moment: a sleeping computer, summer time or a corrected clock would
// make a single long wait miss it or come twice.
class DailyResetTimer : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    static constexpr std::chrono::seconds kCheckInterval{5};

    DailyResetTimer(Hall &hall, DailyResetSchedule schedule, Clock now, QObject *parent = nullptr);

    // The operator set another time, or none.
    void Change(std::optional<std::chrono::minutes> at);
    // Resets the count when the reset is due now; the timer calls it.
    void Check();

    const DailyResetSchedule &Schedule() const { return schedule_; }
    bool Checking() const { return timer_.isActive(); }

private:
    void FollowSchedule();

    Hall &hall_;
    DailyResetSchedule schedule_;
    Clock now_;
    QTimer timer_;
};
