#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

struct MHD_Connection;

// One request for a day of the journal, answered off the server's thread.
struct DayQuery {
    MHD_Connection *connection = nullptr;
    std::chrono::year_month_day date;
    bool csv = false;
    // Set once it has run; a query cancelled by Stop() stays undone.
    bool done = false;
    unsigned status = 0;
    std::string contentType;
    std::string body;
};

// Reads the journal on a thread of its own, so that a long day (10^5 rows)
// never holds up the event streams on the server's thread. A query's
// connection waits suspended and is resumed once its answer is there.
class DayQueries {
public:
    explicit DayQueries(std::filesystem::path journal);
    ~DayQueries();
    DayQueries(const DayQueries &) = delete;
    DayQueries &operator=(const DayQueries &) = delete;

    void Start();
    // Finishes the query being read and resumes every connection still
    // waiting, undone.
    void Stop();

    // Suspends the query's connection and queues it; false (nothing
    // suspended) when too many wait already or it is stopped.
    bool Submit(DayQuery *query);

private:
    void Run();
    static void Answer(const std::filesystem::path &journal, DayQuery &query);

    const std::filesystem::path journal_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<DayQuery *> queue_;
    bool stopping_ = true;
    std::thread thread_;
};
