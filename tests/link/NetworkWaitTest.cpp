#include "link/NetworkWait.h"

#include <gtest/gtest.h>

#include <future>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace std::chrono;

// A wait without end ends for another thread's wake-up, for bytes to read and,
// when asked, for room to write; a short one ends at its deadline. A wake-up
// given before the wait ends the next one.
TEST(NetworkWait, EndsForAWakeUpTheSocketOrTheDeadline)
{
    NetworkWait wait;
    ASSERT_TRUE(wait.Open());
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);

    auto woken = std::async(std::launch::async, [&] { return wait.Wait(ends[0], false, milliseconds(-1)); });
    wait.Wake();
    const NetworkWait::Woken byWake = woken.get();
    EXPECT_FALSE(byWake.readable || byWake.writable || byWake.deadline);

    wait.Wake();
    EXPECT_FALSE(wait.Wait(ends[0], false, milliseconds(-1)).deadline);
    EXPECT_TRUE(wait.Wait(ends[0], false, milliseconds(1)).deadline);

    woken = std::async(std::launch::async, [&] { return wait.Wait(ends[0], false, milliseconds(-1)); });
    ASSERT_EQ(write(ends[1], "x", 1), 1);
    EXPECT_TRUE(woken.get().readable);
    const NetworkWait::Woken writable = wait.Wait(ends[0], true, milliseconds(-1));
    EXPECT_TRUE(writable.writable && writable.readable);

    close(ends[0]);
    close(ends[1]);
}

} // namespace
