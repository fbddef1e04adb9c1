#include "support/TestApplication.h"
#include "support/Wait.h"

#include "app/TFrameL.h"
#include "dialogs/LineSimulatorWindow.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;

constexpr std::uint32_t CTS = SerialDevice::MsCtsOn;
constexpr std::uint32_t DSR = SerialDevice::MsDsrOn;

bool Marked(const TFrameL *indicator)
{
    return !indicator->Warning->isHidden();
}

TEST(LineSimulator, BeamsRestFreeForTheChosenEventLevelAndOnlyAnInterruptedOneIsBlocked)
{
    system_clock::time_point clock = sys_days(year(2026) / March / 10) + hours(12);
    TestApplication test;
    test.now = [&] { return clock; };
    test.ports = {2};
    // No settings: both barriers count as their line goes off.
    test.Start();
    LineSimulatorWindow simulator(*test.lines, &test.main());
    simulator.SetEventLevels(test.state().ContaktIn, test.state().ContaktOut);
    ASSERT_TRUE(WaitUntil([&] { return test.state().LineState == (DSR | CTS); }));

    simulator.EntryButton->click();
    // Both lines' first reports may still be on their way: the count says
    // when the interruption was taken.
    ASSERT_TRUE(WaitUntil([&] { return test.hall().Count() == 1; }));
    clock += seconds(31);
    ASSERT_TRUE(WaitUntil([&] { return Marked(test.main().FrameL1); }));
    EXPECT_FALSE(Marked(test.main().FrameL2));

    // Counting as the line goes on, the free exit's contact rests off.
    simulator.SetEventLevels(false, true);
    EXPECT_EQ(test.lines->Lines(2) & (DSR | CTS), 0u);
    simulator.EntryButton->click();
    simulator.ExitButton->click();
    EXPECT_EQ(test.lines->Lines(2) & (DSR | CTS), DSR | CTS);
    test.Stop();
}

} // namespace
