#include "app/SingleInstance.h"
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

// The program itself, on the offscreen platform with simulated ports, in
// folders of its own.
class Program {
public:
    Program()
    {
        QDir root(folder.path());
        root.mkpath("run");
        QFile::setPermissions(root.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        root.mkpath("bin");
        // A stand-in viewer, so that no warning box waits at start.
        QFile viewer(root.filePath("bin/xchm"));
        viewer.open(QIODevice::WriteOnly);
        viewer.write("#!/bin/sh\n");
        viewer.close();
        viewer.setPermissions(viewer.permissions() | QFile::ExeOwner);
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_RUNTIME_DIR", root.filePath("run"));
        environment.insert("XDG_CONFIG_HOME", root.filePath("config"));
        environment.insert("PONTRA_SIMULATE", "1");
        environment.insert("PATH", root.filePath("bin") + ":" + environment.value("PATH"));
        // In a ThreadSanitizer build, as for the test programs: Qt's own
        // threads are not instrumented and would look racy; the help viewer
        // check starts a process while they run.
        environment.insert("TSAN_OPTIONS",
                           environment.value("TSAN_OPTIONS") + " ignore_noninstrumented_modules=1 die_after_fork=0");
    }

    std::unique_ptr<QProcess> Start()
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->start(PONTRA_PROGRAM, {});
        process->waitForStarted();
        return process;
    }

    // Whether this copy holds the lock.
    bool Holds(const QProcess &process) const
    {
        qint64 pid = 0;
        QLockFile lock(QDir(folder.path()).filePath("run/pontra.lock"));
        return lock.getLockInfo(&pid, nullptr, nullptr) && pid == process.processId()
               && QFile::exists(QDir(folder.path()).filePath("run/pontra.socket"));
    }

    QString Settings() const
    {
        QFile file(QDir(folder.path()).filePath("config/Vendaro/pontra.ini"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

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
