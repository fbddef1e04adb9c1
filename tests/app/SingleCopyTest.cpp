#include "support/ProgramProcess.h"
#include "support/Wait.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <signal.h>

namespace {

TEST(SingleInstance, ASecondStartEndsWithZeroAndACrashedCopyBlocksNothing)
{
    Program program;
    auto first = program.Start();
    ASSERT_TRUE(WaitUntil([&] { return program.Holds(*first); }));

    auto second = program.Start();
    ASSERT_TRUE(second->waitForFinished(10000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_FALSE(second->readAllStandardError().contains("did not answer"));
    EXPECT_EQ(first->state(), QProcess::Running);

    // Killed as a crash would end it: its lock and socket stay behind.
    ::kill(static_cast<pid_t>(first->processId()), SIGKILL);
    ASSERT_TRUE(first->waitForFinished(10000));
    auto third = program.Start();
    ASSERT_TRUE(WaitUntil([&] { return program.Holds(*third); }));

    // A shutdown's SIGTERM: a normal end that stores the settings.
    third->terminate();
    ASSERT_TRUE(third->waitForFinished(10000));
    EXPECT_EQ(third->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(third->exitCode(), 0);
    EXPECT_TRUE(program.Settings().contains("MaxCounter=5"));
}

} // namespace
