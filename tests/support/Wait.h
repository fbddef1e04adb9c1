#pragma once

#include <QTest>

#include <chrono>
#include <thread>

// Runs the event loop until condition holds; false after 10 s.
template <typename Condition>
bool WaitUntil(Condition condition)
{
    return QTest::qWaitFor(condition, 10000);
}

// Waits until condition holds without running the event loop, for a state
// that another thread reaches on its own (a worker blocked in its hand-over);
// false after 10 s.
template <typename Condition>
bool WaitWithoutEvents(Condition condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
