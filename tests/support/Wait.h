#pragma once

#include <QTest>

// Runs the event loop until condition holds; false after 5 s.
template <typename Condition>
bool WaitUntil(Condition condition)
{
    return QTest::qWaitFor(condition, 5000);
}
