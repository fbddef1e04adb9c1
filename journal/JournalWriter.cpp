#include "journal/JournalWriter.h"

#include "hall/LocalTime.h"
#include "journal/JournalStore.h"

#include <condition_variable>
#include <deque>
#include <iterator>
#include <mutex>
#include <utility>

struct JournalWriter::Shared {
    explicit Shared(Options writerOptions) : options(std::move(writerOptions)) {}

    const Options options;
    std::mutex mutex;
    std::condition_variable wake;
    // A deque grows without moving what it holds: no append waits for a copy
    // of a long queue.
    std::deque<JournalRow> queue;
    bool stop = false;
    bool finished = false;
    bool allWritten = false;
    std::deque<JournalRow> unwritten;
    std::condition_variable done;
    // Held while the status callback runs; once abandoned is set under it,
    // the callback is never called again.
    std::mutex callbackMutex;
    bool abandoned = false;

    void Report(const JournalStatus &status)
    {
        std::lock_guard lock(callbackMutex);
        if (!abandoned && options.statusChanged)
            options.statusChanged(status);
    }
};

JournalWriter::JournalWriter(Options options)
    : shared_(std::make_shared<Shared>(std::move(options)))
{
    thread_ = std::thread(&JournalWriter::Run, shared_);
}

JournalWriter::~JournalWriter()
{
    Stop();
}

void JournalWriter::Append(const JournalRow &row)
{
    bool wasEmpty = false;
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->stop)
            return;
        wasEmpty = shared_->queue.empty();
        shared_->queue.push_back(row);
    }
    // One wake per batch: the writer takes the whole queue.
    if (wasEmpty)
        shared_->wake.notify_one();
}

bool JournalWriter::Stop(std::chrono::milliseconds wait)
{
    {
        std::lock_guard lock(shared_->mutex);
        if (!thread_.joinable())
            return shared_->finished && shared_->allWritten;
        shared_->stop = true;
    }
    shared_->wake.notify_one();
    bool finished = false;
    bool allWritten = false;
    {
        std::unique_lock lock(shared_->mutex);
        finished = shared_->done.wait_for(lock, wait, [this] { return shared_->finished; });
        allWritten = shared_->allWritten;
    }
    if (finished) {
        thread_.join();
    } else {
        std::lock_guard lock(shared_->callbackMutex);
        shared_->abandoned = true;
        thread_.detach();
    }
    return finished && allWritten;
}

std::deque<JournalRow> JournalWriter::TakeUnwritten()
{
    std::lock_guard lock(shared_->mutex);
    return std::exchange(shared_->unwritten, {});
}

void JournalWriter::Run(const std::shared_ptr<Shared> &shared)
{
    const Options &options = shared->options;
    JournalStore store(options.file, options.keepDays);
    std::deque<JournalRow> pending;
    bool writing = true;
    std::string reason;
    auto nextTry = std::chrono::steady_clock::now();
    // When rows written since the last checkpoint are due for the next; none
    // are at the end of time.
    constexpr auto kNoneDue = std::chrono::steady_clock::time_point::max();
    auto checkpointDue = kNoneDue;
    for (;;) {
        bool stopping = false;
        {
            std::lock_guard lock(shared->mutex);
            if (pending.empty())
                pending.swap(shared->queue);
            else
                pending.insert(pending.end(), std::make_move_iterator(shared->queue.begin()),
                               std::make_move_iterator(shared->queue.end()));
            shared->queue.clear();
            stopping = shared->stop;
        }

        const bool wasWriting = writing;
        try {
            store.Write(pending, std::chrono::system_clock::now());
            if (!pending.empty() && checkpointDue == kNoneDue)
                checkpointDue = std::chrono::steady_clock::now() + options.checkpointInterval;
            pending.clear();
            writing = true;
        } catch (const std::exception &failure) {
            writing = false;
            if (wasWriting)
                reason = failure.what();
            nextTry = std::chrono::steady_clock::now() + options.retryInterval;
        }
        JournalStatus status{writing, writing ? std::string() : reason, store.TakeSetAside(), pending.size()};
        if (writing != wasWriting || !status.setAside.empty())
            shared->Report(status);
        if (stopping)
            break;
        if (std::chrono::steady_clock::now() >= checkpointDue) {
            store.Checkpoint();
            checkpointDue = kNoneDue;
        }

        std::unique_lock lock(shared->mutex);
        const auto rows = [&] { return shared->stop || !shared->queue.empty(); };
        if (!writing)
            shared->wake.wait_until(lock, nextTry, [&] { return shared->stop; });
        else if (checkpointDue != kNoneDue)
            shared->wake.wait_until(lock, checkpointDue, rows);
        else if (options.keepDays >= 1)
            // Rows expire by the date: the thread sleeps until the next one
            // begins (on the wall clock, also across a sleep of the computer
            // or a clock set anew) or until rows come.
            shared->wake.wait_until(lock, NextLocalDayStart(std::chrono::system_clock::now()), rows);
        else
            shared->wake.wait(lock, rows);
    }
    {
        std::lock_guard lock(shared->mutex);
        shared->finished = true;
        shared->allWritten = pending.empty();
        shared->unwritten = std::move(pending);
    }
    shared->done.notify_all();
}
