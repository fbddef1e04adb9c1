#include "feed/DayQueries.h"

#include "feed/FeedJson.h"
#include "journal/JournalCsv.h"
#include "journal/JournalReader.h"

#include <microhttpd.h>

#include <sstream>
#include <vector>

namespace {

// Beyond these the server answers 503 at once rather than queue more.
constexpr std::size_t kMaxWaiting = 8;

} // namespace

DayQueries::DayQueries(std::filesystem::path journal)
    : journal_(std::move(journal))
{
}

DayQueries::~DayQueries()
{
    Stop();
}

void DayQueries::Start()
{
    std::lock_guard lock(mutex_);
    if (!stopping_)
        return;
    stopping_ = false;
    thread_ = std::thread(&DayQueries::Run, this);
}

void DayQueries::Stop()
{
    std::deque<DayQuery *> cancelled;
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        stopping_ = true;
        cancelled.swap(queue_);
    }
    wake_.notify_all();
    thread_.join();
    for (DayQuery *query : cancelled)
        MHD_resume_connection(query->connection);
}

bool DayQueries::Submit(DayQuery *query)
{
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || queue_.size() >= kMaxWaiting)
            return false;
        // Before the worker can see it, so that it is never resumed unsuspended.
        MHD_suspend_connection(query->connection);
        queue_.push_back(query);
    }
    wake_.notify_one();
    return true;
}

void DayQueries::Run()
{
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_)
            return;
        DayQuery *query = queue_.front();
        queue_.pop_front();
        lock.unlock();
        Answer(journal_, *query);
        // The connection may end at once: the query is not touched again.
        MHD_resume_connection(query->connection);
        lock.lock();
    }
}

void DayQueries::Answer(const std::filesystem::path &journal, DayQuery &query)
{
    try {
        const std::vector<JournalRow> rows = JournalReader(journal).Day(query.date);
        if (query.csv) {
            std::ostringstream csv;
            WriteJournalCsv(csv, rows);
            query.body = csv.str();
            query.contentType = "text/csv; charset=utf-8";
        } else {
            query.body = DayJson(query.date, rows);
            query.contentType = "application/json";
        }
        query.status = 200;
    } catch (const JournalError &error) {
        query.body = std::string(error.what()) + "\n";
        query.contentType = "text/plain; charset=utf-8";
        query.status = 500;
    } catch (const std::exception &) {
        query.body = "Das Tagesjournal lässt sich gerade nicht lesen.\n";
        query.contentType = "text/plain; charset=utf-8";
        query.status = 500;
    }
    query.done = true;
}
