#include "desktop/SingleInstance.h"
#include "support/Wait.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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

// What a later start finds when the running copy did not answer.
TEST(SingleInstance, ALockNoRunningCopyHoldsIsTakenOverIfItIsTheUsersOwnFile)
{
    QTemporaryDir folder;
    const QString lock = folder.filePath("pontra.lock");
    const auto write = [&](const QByteArray &content) {
        QFile file(lock);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    };
    // Empty, random bytes, another computer's.
    for (const QByteArray &content : {QByteArray(), QByteArray("\x8f\x00\xff\x13garbage\n\n\n\x01", 16),
                                      QByteArray("1\npontra\nanderer-rechner\n")}) {
        SCOPED_TRACE(content.toStdString());
        write(content);
        SingleInstance later(folder.path(), "pontra");
        ASSERT_FALSE(later.Claim());
        EXPECT_TRUE(later.ClaimUnanswered());
        qint64 pid = 0;
        EXPECT_TRUE(QLockFile(lock).getLockInfo(&pid, nullptr, nullptr));
        EXPECT_EQ(pid, QCoreApplication::applicationPid());
    }

    // A running copy that does not answer keeps its lock.
    {
        SingleInstance running(folder.path(), "pontra");
        ASSERT_TRUE(running.Claim());
        SingleInstance later(folder.path(), "pontra");
        EXPECT_FALSE(later.Claim());
        EXPECT_FALSE(later.ClaimUnanswered());
    }

    // A link, to a fifo even, is neither followed nor removed: this copy
    // runs unguarded.
    QFile::remove(lock);
    const QByteArray fifo = QFile::encodeName(folder.filePath("fifo"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(folder.filePath("fifo"), lock));
    {
        SingleInstance later(folder.path(), "pontra");
        EXPECT_FALSE(later.Claim());
        EXPECT_TRUE(later.ClaimUnanswered());
        EXPECT_EQ(QFileInfo(lock).symLinkTarget(), folder.filePath("fifo"));
    }
    // So is another user's file.
    if (::geteuid() == 0) {
        QFile::remove(lock);
        write("");
        ASSERT_EQ(::chown(QFile::encodeName(lock).constData(), 65534, 65534), 0);
        SingleInstance later(folder.path(), "pontra");
        EXPECT_FALSE(later.Claim());
        EXPECT_TRUE(later.ClaimUnanswered());
        EXPECT_EQ(QFileInfo(lock).ownerId(), 65534u);
    }
}

} // namespace
