#pragma once

#include "journal/JournalRow.h"
#include "journal/JournalStatus.h"

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

// Writes journal rows on a thread of its own, so that recording a change
// never waits for the disk. Rows are committed as soon as they arrive, at
// the latest within a second; a process killed at any moment loses at most
// that. Committed rows reach the disk itself with the checkpoint that
// follows them, so a power cut loses at most the rows of one checkpoint
// interval. When the file cannot be written, the rows wait in memory and
// are written once it can be again; counting never depends on it.
class JournalWriter {
public:
    struct Options {
        std::filesystem::path file;
        // Rows more than this many days before today are deleted, at start
        // and once a day; below 1, none are.
        int keepDays = 400;
        // How long rows wait in memory before the next try at a file that
        // could not be written.
        std::chrono::milliseconds retryInterval = std::chrono::seconds(5);
        // Told on the writer thread when writing stops or starts again and
        // when a file was moved aside; JournalNotice() words it.
        std::function<void(const JournalStatus &)> statusChanged;
        // How long committed rows may wait for the checkpoint that syncs
        // them to the disk.
        std::chrono::milliseconds checkpointInterval = std::chrono::seconds(60);
    };

    explicit JournalWriter(Options options);
    // Stops with the default wait.
    ~JournalWriter();
    JournalWriter(const JournalWriter &) = delete;
    JournalWriter &operator=(const JournalWriter &) = delete;

    // Queues a row; returns at once. Rows after Stop() are dropped.
    void Append(const JournalRow &row);
    // Writes what is queued and ends the thread, waiting at most `wait`; no
    // status is reported after it returns. True when every row was written.
    bool Stop(std::chrono::milliseconds wait = std::chrono::seconds(3));
    // After a Stop() that found the thread ended: the rows it could not
    // write, in their order, for the caller to keep elsewhere.
    std::deque<JournalRow> TakeUnwritten();

private:
    struct Shared;
    static void Run(const std::shared_ptr<Shared> &shared);

    // The thread keeps its own share, so that it may outlive a Stop() that
    // stopped waiting for it.
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};
