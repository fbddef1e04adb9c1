#include "serial/LampLines.h"

#include "serial/FakeModem.h"
#include "serial/PosixSerialDevice.h"
#include "serial/SimulatedSerialPorts.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <memory>
#include <string>

namespace {

constexpr LampState G = LampState::Green;
constexpr LampState A = LampState::Amber;
constexpr LampState R = LampState::Red;

// The lamp on a pty whose modem lines a fake driver plays.
class LampLinesOnPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        path = ptsname(master);
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        fake.device = st.st_rdev;
        ASSERT_EQ(pipe(fake.wake), 0);
        fakeModem = &fake;
    }
    void TearDown() override
    {
        lamp.reset();
        fakeModem = nullptr;
        close(fake.wake[0]);
        close(fake.wake[1]);
        close(master);
    }
    int lines()
    {
        std::lock_guard lock(fake.mutex);
        return fake.levels & (TIOCM_DTR | TIOCM_RTS);
    }

    int master = -1;
    std::string path;
    FakeModem fake;
    std::unique_ptr<LampLines> lamp = std::make_unique<LampLines>(
        [this] { return std::make_unique<PosixSerialDevice>([this](int) { return path; }); });
};

// DTR is "go" while the hall has room, RTS the amber lamp or, asked to, the
// full hall; both drop before the port closes at the end.
TEST_F(LampLinesOnPty, DtrIsGoWhileThereIsRoomAndRtsAmberOrFull)
{
    lamp->Show(A);
    lamp->Open(1);
    ASSERT_TRUE(lamp->Connected());
    EXPECT_EQ(lines(), TIOCM_DTR | TIOCM_RTS);
    const struct {
        LampState state;
        bool rtsFull;
        int lines;
    } cases[] = {
        {G, false, TIOCM_DTR}, {A, false, TIOCM_DTR | TIOCM_RTS}, {R, false, 0},
        {R, true, TIOCM_RTS},  {A, true, TIOCM_DTR},              {G, true, TIOCM_DTR},
    };
    for (const auto &c : cases) {
        lamp->SetRtsFull(c.rtsFull);
        lamp->Show(c.state);
        EXPECT_EQ(lines(), c.lines) << static_cast<int>(c.state) << " full " << c.rtsFull;
    }
    lamp.reset();
    EXPECT_EQ(lines(), 0);
}

// An adapter pulled out ends the port's wait: told once, tried again, and
// the state of the moment set when it is back.
TEST_F(LampLinesOnPty, ALostAdapterIsToldOnceAndTakesTheStateOfTheMomentWhenBack)
{
    int told = 0;
    lamp->OnTrouble = [&](int port) {
        ++told;
        EXPECT_EQ(port, 1);
    };
    lamp->Show(G);
    lamp->Open(1);
    ASSERT_TRUE(lamp->Connected());
    fake.broken = true;
    fake.Toggle(0);
    ASSERT_TRUE(WaitUntil([&] { return !lamp->Connected(); }));
    EXPECT_TRUE(lamp->Retrying());
    EXPECT_EQ(told, 1);
    lamp->Show(A);
    {
        std::lock_guard lock(fake.mutex);
        fake.levels = 0; // without power
    }
    fake.broken = false;
    ASSERT_TRUE(WaitUntil([&] { return lamp->Connected(); }));
    EXPECT_FALSE(lamp->Retrying());
    EXPECT_EQ(lines(), TIOCM_DTR | TIOCM_RTS);
    EXPECT_EQ(told, 1);
}

// The lamp on simulated ports, as the program without hardware has them.
class LampLinesSimulated : public ::testing::Test {
protected:
    SimulatedSerialPorts ports{{1, 3}};
    std::unique_ptr<LampLines> lamp = std::make_unique<LampLines>(ports.Factory());
};

TEST_F(LampLinesSimulated, APortMissingOrTakenIsTriedAgainUntilItCanBeHad)
{
    int told = 0;
    lamp->OnTrouble = [&](int) { ++told; };
    lamp->Show(G);
    lamp->Open(2); // no such port
    EXPECT_FALSE(lamp->Connected());
    EXPECT_TRUE(lamp->Retrying());
    EXPECT_EQ(told, 1);

    // Another port: told again once; this one is taken by another program.
    auto other = ports.Factory()();
    ASSERT_TRUE(other->Open(3));
    lamp->Open(3);
    EXPECT_EQ(told, 2);
    EXPECT_FALSE(ports.Dtr(3));
    other->Close();
    ASSERT_TRUE(WaitUntil([&] { return lamp->Connected(); }));
    EXPECT_TRUE(ports.Dtr(3));
    EXPECT_FALSE(ports.Rts(3));

    // Unplugged and back: the lines follow the state meanwhile.
    ports.Unplug(3);
    ASSERT_TRUE(WaitUntil([&] { return !lamp->Connected(); }));
    lamp->Show(R);
    lamp->SetRtsFull(true);
    ports.Plug(3);
    ASSERT_TRUE(WaitUntil([&] { return lamp->Connected(); }));
    EXPECT_FALSE(ports.Dtr(3));
    EXPECT_TRUE(ports.Rts(3));
    EXPECT_EQ(told, 2);

    // Given up: closed with both lines off, and no more tries.
    lamp->Open(0);
    EXPECT_FALSE(ports.IsOpen(3));
    EXPECT_FALSE(ports.Rts(3));
    EXPECT_FALSE(lamp->Retrying());
}

} // namespace
