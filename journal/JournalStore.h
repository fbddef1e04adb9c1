#pragma once

#include "journal/JournalChain.h"
#include "journal/JournalRow.h"
#include "journal/SqliteConnection.h"
#include "journal/SqliteStatement.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <deque>

// Why rows could not be written, in German, to go into a sentence.
class JournalFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The journal file as its writer uses it: opened (and made) when needed,
// rows written in one transaction per call, rows older than the kept days
// deleted once a day, each row chained to the one before by its check value.
// A damaged or foreign file is moved aside, never overwritten; one of a newer
// version stays as it is and is not written. Used by one thread.
class JournalStore {
public:
    JournalStore(std::filesystem::path file, int keepDays);
    ~JournalStore();

    // Writes the rows (none: only opens and expires). Throws JournalFailure;
    // then nothing of the rows is written.
    void Write(const std::deque<JournalRow> &rows, std::chrono::system_clock::time_point now);
    // Where a file went that was moved aside since the last call, or empty.
    std::filesystem::path TakeSetAside();
    // Copies the committed rows from the log into the file itself, as far as
    // no reader holds them back, syncing the log first: only then do they
    // survive a power cut. Never waits for a reader; a failure is no loss.
    void Checkpoint() noexcept;

private:
    // Where the chain stands after a row: its id and the value the next row
    // builds on.
    struct ChainEnd {
        std::int64_t id = 0;
        std::array<char, JournalChain::kHashBytes> value{};
        bool atStart = false; // no row: the chain's start
    };

    bool Open();
    ChainEnd ChainAt(std::int64_t lastId);
    void Close();
    void SetAside(std::chrono::system_clock::time_point now);
    void Expire(std::chrono::system_clock::time_point now);
    void Insert(const std::deque<JournalRow> &rows);

    std::filesystem::path file_;
    int keepDays_;
    std::unique_ptr<SqliteConnection> db_;
    std::unique_ptr<SqliteStatement> insert_;
    std::unique_ptr<SqliteStatement> last_;
    JournalChain chain_;
    std::optional<std::chrono::year_month_day> expiredOn_;
    std::filesystem::path setAside_;
};
