#include "barriers/BarrierLines.h"
#include "hall/Hall.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::chrono;
using Strings = std::vector<std::string>;

constexpr std::uint32_t CTS = 0x10;
constexpr std::uint32_t DSR = 0x20;
const BarrierLines::Steady kStart = steady_clock::time_point() + hours(1);
const BarrierLines::Wall kNoon(seconds(1'800'000'000));

std::string Name(HallSource barrier)
{
    return barrier == HallSource::EntryBarrier ? "entry" : "exit";
}

std::string Wait(std::optional<milliseconds> wait)
{
    return wait ? std::to_string(wait->count()) + "ms" : "-";
}

// What the rules asked for, one line each, taken by Take().
struct Recorder : BarrierListener {
    Strings asked;
    void ShowLine(HallSource barrier, std::optional<bool> on) override
    {
        asked.push_back("show " + Name(barrier) + (on ? *on ? " on" : " off" : " as read"));
    }
    void LevelTaken(HallSource barrier, bool on, bool passage) override
    {
        asked.push_back("take " + Name(barrier) + (on ? " on" : " off") + (passage ? " passage" : ""));
    }
    void WakeToSettle(std::optional<milliseconds> wait) override { asked.push_back("settle " + Wait(wait)); }
    void WakeToCheck(std::optional<milliseconds> wait) override { asked.push_back("check " + Wait(wait)); }
    Strings Take() { return std::exchange(asked, {}); }
};

struct Reports : HallListener {
    std::vector<HallChange> heard;
    void HallChanged(const HallChange &) override {}
    void HallReported(const HallChange &report) override { heard.push_back(report); }
};

// Both barriers on one port, both counting when their line goes off, with
// the steady and the wall clock the test moves.
class BarrierLinesTest : public ::testing::Test {
protected:
    void SetUp() override { hall.AddListener(&reports); }

    BarrierLines::Moment At(milliseconds offset) const { return {kStart + offset, kNoon + offset}; }

    static BarrierReadings Readings(std::uint32_t status, std::uint32_t entryChanges = 0,
                                    std::uint32_t exitChanges = 0)
    {
        return {{(status & DSR) != 0, entryChanges}, {(status & CTS) != 0, exitChanges}};
    }

    // A line event as the port hands it over: the word read now, and the
    // line as its wait left it at moment waited.
    void Event(HallSource barrier, std::uint32_t status, milliseconds waited, std::uint32_t changes,
               milliseconds handled)
    {
        const std::uint32_t bit = barrier == HallSource::EntryBarrier ? DSR : CTS;
        lines.Line({.barrier = barrier,
                    .status = status,
                    .on = (status & bit) != 0,
                    .wait = {(status & bit) != 0, changes},
                    .waitReturned = kStart + waited},
                   At(handled));
    }

    bool contaktIn = false;
    bool contaktOut = false;
    std::uint32_t lineState = 0x55555555u;
    Hall hall{50};
    Reports reports;
    Recorder seen;
    BarrierLines lines{hall, {contaktIn, contaktOut, lineState}, seen};
};

TEST_F(BarrierLinesTest, WithoutDebounceEachLinesLevelLastActedOnIsTheOnlyFilter)
{
    lines.SetRules(0ms, 0s, 0);
    lines.Opened(DSR | CTS, Readings(DSR | CTS), At(0ms));
    EXPECT_EQ(lineState, DSR | CTS);
    EXPECT_EQ(seen.Take(), Strings({"settle -", "check -"})) << "the baseline counts nothing";

    Event(HallSource::EntryBarrier, CTS, 10ms, 1, 10ms);
    EXPECT_EQ(seen.Take(), Strings({"check -", "show entry as read", "take entry off passage"}));
    EXPECT_EQ(lineState, CTS);
    // A reading equal to the word acted on changes nothing, indicator included.
    Event(HallSource::EntryBarrier, CTS, 20ms, 3, 20ms);
    EXPECT_EQ(seen.Take(), Strings({"check -"}));

    // Both lines in one wait (two visitors at once): each line's change in
    // the one word is its own, and neither is lost.
    Event(HallSource::ExitBarrier, DSR, 30ms, 1, 30ms);
    Event(HallSource::EntryBarrier, DSR, 30ms, 4, 30ms);
    EXPECT_EQ(seen.Take(), Strings({"check -", "show exit as read", "take exit off passage", "check -",
                                    "show entry as read", "take entry on"}));
    // Handled twice, the word changes nothing more.
    Event(HallSource::EntryBarrier, DSR, 30ms, 4, 31ms);
    EXPECT_EQ(seen.Take(), Strings({"check -"}));

    // The levels are read at each event: a changed choice holds at once,
    // for its own barrier.
    contaktIn = true;
    Event(HallSource::EntryBarrier, 0, 40ms, 5, 40ms);
    Event(HallSource::ExitBarrier, CTS, 50ms, 2, 50ms);
    Event(HallSource::EntryBarrier, CTS | DSR, 60ms, 6, 60ms);
    EXPECT_EQ(seen.Take(), Strings({"check -", "show entry as read", "take entry off", "check -", "show exit as read",
                                    "take exit on", "check -", "show entry as read", "take entry on passage"}));
    EXPECT_EQ(lineState, CTS | DSR);
    EXPECT_TRUE(reports.heard.empty());
}

TEST_F(BarrierLinesTest, ADebouncedLevelIsTakenOnceItHeldFromItsLastChangeOnEvenOneOnlyTheCounterTells)
{
    lines.SetRules(200ms, 0s, 0);
    lines.Opened(DSR | CTS, Readings(DSR | CTS, 7, 3), At(0ms));
    seen.Take();

    // The exit's beam interrupted, bouncing: each change is shown with its
    // level and starts the hold again from its wait's return.
    Event(HallSource::ExitBarrier, DSR, 100ms, 4, 101ms);
    EXPECT_EQ(seen.Take(), Strings({"check -", "show exit off", "settle 199ms"}));
    EXPECT_EQ(lines.SettleDeadline(), kStart + 300ms);
    Event(HallSource::ExitBarrier, DSR | CTS, 110ms, 5, 111ms);
    Event(HallSource::ExitBarrier, DSR, 120ms, 6, 150ms);
    EXPECT_EQ(lineState, DSR);
    EXPECT_EQ(lines.SettleDeadline(), kStart + 320ms);
    seen.Take();

    // A flicker between two readings: the level is the same, the counter two ahead.
    lines.Settle(Readings(DSR, 7, 8), kStart + 250ms);
    EXPECT_EQ(seen.Take(), Strings({"settle 200ms"}));
    lines.Settle(Readings(DSR, 7, 8), kStart + 449ms);
    EXPECT_EQ(seen.Take(), Strings({"settle 1ms"}));
    lines.Settle(Readings(DSR, 7, 8), kStart + 450ms);
    EXPECT_EQ(seen.Take(), Strings({"take exit off passage", "settle -"}));

    // A closed port is not waited for.
    Event(HallSource::EntryBarrier, 0, 1000ms, 8, 1000ms);
    lines.Closed();
    EXPECT_EQ(seen.Take(), Strings({"check -", "show entry off", "settle 200ms", "settle -", "check -"}));
    lines.Settle(Readings(0, 8, 8), kStart + 1100ms);
    EXPECT_EQ(seen.Take(), Strings({"settle -"}));
}

TEST_F(BarrierLinesTest, WarningsHoldUntilTheirEndAndALostPortMarksBothBarriers)
{
    lines.SetRules(0ms, 30s, 20);
    // The entry's beam interrupted from the start (its line off counts).
    lines.Opened(CTS, Readings(CTS), At(0ms));
    // Asked at least once a second, so that a wall clock set anew is followed.
    EXPECT_EQ(seen.Take(), Strings({"settle -", "check 1000ms"}));
    lines.Check(kNoon + 29500ms);
    EXPECT_EQ(seen.Take(), Strings({"check 500ms"}));
    lines.Check(kNoon + 30s);
    EXPECT_EQ(seen.Take(), Strings({"check -"}));
    EXPECT_TRUE(lines.Warnings().Blocked(HallSource::EntryBarrier));
    EXPECT_FALSE(lines.Warnings().Blocked(HallSource::ExitBarrier));
    EXPECT_FALSE(lines.Warnings().Marked(HallSource::ExitBarrier));

    // A lost port is every barrier's warning, listed first.
    lines.Closed();
    lines.PortLost(kNoon + 40s, 7);
    lines.PortLost(kNoon + 41s, 7);
    const std::vector<BarrierWarning> lost = lines.Warnings().Current();
    ASSERT_EQ(lost.size(), 2u);
    EXPECT_EQ(lost[0].source, HallSource::PortLost);
    EXPECT_EQ(lost[0].since, kNoon + 40s);
    EXPECT_EQ(lost[0].port, 7);
    EXPECT_EQ(lost[1].source, HallSource::EntryBlocked);
    EXPECT_EQ(lost[1].since, kNoon);
    EXPECT_EQ(lines.Warnings().Marked(HallSource::ExitBarrier)->source, HallSource::PortLost);

    // Open again with both beams clear: every warning ends, each told once.
    lines.Opened(DSR | CTS, Readings(DSR | CTS), At(50s));
    EXPECT_TRUE(lines.Warnings().Current().empty());
    std::vector<HallSource> told;
    for (const HallChange &report : reports.heard)
        told.push_back(report.source);
    EXPECT_EQ(told, std::vector<HallSource>({HallSource::EntryBlocked, HallSource::PortLost, HallSource::PortBack,
                                             HallSource::EntryClear}));
}

} // namespace
