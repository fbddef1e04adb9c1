#include "hall/Hall.h"
#include "serial/BarrierPort.h"
#include "serial/SimulatedSerialPorts.h"
#include "serial/TComPort.h"
#include "support/Printers.h"
#include "support/Wait.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t CTS = SerialDevice::MsCtsOn;
constexpr std::uint32_t DSR = SerialDevice::MsDsrOn;

QString Name(HallSource barrier)
{
    return barrier == HallSource::EntryBarrier ? "entry" : "exit";
}

// The barriers on simulated COM2 without a window: the port's handlers go
// to the barriers' rules, and what they decide is recorded.
class BarrierPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        port.OnDSR = [this](QObject *) { barriers.LineChanged(HallSource::EntryBarrier); };
        port.OnCTS = [this](QObject *) { barriers.LineChanged(HallSource::ExitBarrier); };
        port.OnOpen = [this](QObject *) { barriers.Opened(); };
        port.OnClose = [this](QObject *) { barriers.Closed(); };
        port.OnLost = [this](QObject *) { barriers.PortLost(); };
        barriers.OnShow = [this](HallSource barrier, std::optional<bool> on) {
            shown << Name(barrier) + (on ? *on ? " on" : " off" : " not read");
        };
        barriers.OnLevel = [this](HallSource barrier, bool on, bool passage) {
            taken << Name(barrier) + (on ? " on" : " off") + (passage ? " passage" : "");
        };
    }

    // Changes the lines and waits until the rules took count levels in all.
    void set(std::uint32_t levels, qsizetype count)
    {
        lines.SetLines(2, levels);
        ASSERT_TRUE(WaitUntil([&] { return taken.size() == count; }));
    }

    SimulatedSerialPorts lines{{2}};
    TComPort port{nullptr, lines.Factory()};
    bool contaktIn = false;
    bool contaktOut = true;
    std::uint32_t lineState = 0x55555555u;
    Hall hall{50};
    BarrierPort barriers{port, hall, {contaktIn, contaktOut, lineState}};
    QStringList shown;
    QStringList taken;
};

TEST_F(BarrierPortTest, SetsThePortUpForTheBarriersAndHandsItsLineEventsToTheRules)
{
    // The handshake keeps RTS on: the exit barrier's feed.
    EXPECT_EQ(port.FlowControl, fcRtsCts);
    lines.SetLines(2, DSR);
    port.Open();
    EXPECT_EQ(shown, QStringList({"entry on", "exit off"}));
    EXPECT_EQ(lineState, DSR);

    set(0, 1);
    set(CTS, 2);
    EXPECT_EQ(taken, QStringList({"entry off passage", "exit on passage"}));
    EXPECT_EQ(lineState, CTS);

    // An adapter pulled out: no reading, and the port's warning with its number.
    lines.Unplug(2);
    ASSERT_TRUE(WaitUntil([&] { return !barriers.Warnings().Current().empty(); }));
    EXPECT_EQ(shown.mid(shown.size() - 2), QStringList({"entry not read", "exit not read"}));
    EXPECT_EQ(barriers.Warnings().Current().front().port, 2);
}

} // namespace
