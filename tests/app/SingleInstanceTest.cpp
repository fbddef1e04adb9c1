#include "app/SingleInstance.h"
#include "support/ProgramProcess.h"
#include "support/Wait.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>

#include <future>

namespace {

TEST(SingleInstance, ALaterCopyAsksTheRunningOneForItsWindowAndAnotherNameRunsBesideIt)
{
    QTemporaryDir folder;
    SingleInstance running(folder.path(), "pontra");
    ASSERT_TRUE(running.Claim());
    QSignalSpy asked(&running, &SingleInstance::ShowRequested);

    SingleInstance later(folder.path(), "pontra");
    EXPECT_FALSE(later.Claim());
    // It waits for the answer, which the running copy gives from its event loop.
    auto answered = std::async(std::launch::async, [&] { return later.AskRunningCopyToShow(); });
    ASSERT_TRUE(WaitUntil([&] { return asked.count() == 1; }));
    EXPECT_TRUE(answered.get());

    SingleInstance renamed(folder.path(), "pontra-halle2");
    EXPECT_TRUE(renamed.Claim());
    // No lock can be made there: the program still runs.
    SingleInstance unguarded(folder.filePath("pontra.lock/inside"), "pontra");
    EXPECT_TRUE(unguarded.Claim());
}

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
