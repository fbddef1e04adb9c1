#include "serial/PortOpening.h"
#include "serial/SimulatedSerialPorts.h"
#include "serial/TComPort.h"

#include <gtest/gtest.h>

namespace {

// Simulated COM3 and COM5; COM9 exists but refuses this user.
class PortOpeningTest : public ::testing::Test {
protected:
    SimulatedSerialPorts lines{{3, 5}};
    TComPort port{nullptr, lines.Factory()};
    PortOpening opening{port, [this](int n) { return lines.IsPresent(n); }, [](int n) {
                            return n == 9 ? std::optional(PortRefusal{.device = "/dev/ttyS8", .group = "dialout",
                                                                      .user = "anna"})
                                          : std::nullopt;
                        }};
};

TEST_F(PortOpeningTest, APortThatRefusesTheUserIsFoundButStaysClosedWithItsReason)
{
    EXPECT_EQ(opening.Scan(), (1u << 2) | (1u << 4) | (1u << 8));
    port.Port = 9;
    EXPECT_EQ(opening.Missing(), 0);
    EXPECT_FALSE(opening.Open());
    const PortTrouble trouble = opening.Trouble();
    EXPECT_FALSE(trouble.linesRefused);
    ASSERT_TRUE(trouble.refusal);
    EXPECT_EQ(trouble.refusal->group, "dialout");

    port.Port = 12;
    EXPECT_EQ(opening.Missing(), 12);
    port.Port = 0;
    EXPECT_EQ(opening.Missing(), 0);
}

TEST_F(PortOpeningTest, ReopeningMovesToTheChosenPortOrClosesForNone)
{
    port.Port = 3;
    ASSERT_TRUE(opening.Open());
    EXPECT_TRUE(opening.Reopen(5));
    EXPECT_FALSE(lines.IsOpen(3));
    EXPECT_TRUE(lines.IsOpen(5));
    EXPECT_TRUE(opening.Reopen(0));
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(lines.IsOpen(5));
}

TEST_F(PortOpeningTest, APortThatWillNotKeepItsRtsLineIsToldApart)
{
    // With the handshake the barriers' port opens with.
    port.FlowControl = fcRtsCts;
    lines.HoldRtsOff(5, true);
    EXPECT_FALSE(opening.Reopen(5));
    EXPECT_TRUE(opening.Trouble().linesRefused);
    EXPECT_FALSE(opening.Trouble().refusal);
}

} // namespace
