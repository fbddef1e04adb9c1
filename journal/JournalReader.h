#pragma once

#include "journal/JournalRow.h"
#include "journal/JournalSchema.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

// A journal that cannot be read; what() says why, in German.
class JournalError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the journal through read-only connections of its own, also while the
// program writes it and from another process. A journal that does not exist
// yet has no rows. Each call opens the file afresh, so that it sees the file
// as it is now. Throws JournalError.
class JournalReader {
public:
    explicit JournalReader(std::filesystem::path file);

    // The rows of the local dates from..to, both included (empty: from the
    // first, to the last), in the order they happened.
    std::vector<JournalRow> Rows(std::optional<std::chrono::year_month_day> from,
                                 std::optional<std::chrono::year_month_day> to) const;
    std::vector<JournalRow> Day(std::chrono::year_month_day day) const { return Rows(day, day); }
    // The last row before the local date begins, and the first from its
    // start on.
    std::optional<JournalRow> LastRowBefore(std::chrono::year_month_day day) const;
    std::optional<JournalRow> FirstRowFrom(std::chrono::year_month_day day) const;
    // The last row written.
    std::optional<JournalRow> LastRow() const;
    // The local date of the last daily reset.
    std::optional<std::chrono::year_month_day> LastDailyReset() const;
    // The rows, and the local dates they fall on, that keeping rows of
    // keepDays days before today would delete.
    struct Expiring {
        std::int64_t rows = 0;
        std::int64_t days = 0;
    };
    Expiring ExpiringRows(int keepDays, std::chrono::year_month_day today) const;

    // Runs read on a read-only connection to the journal, with its kind
    // (Journal or Unchained); not when there is none yet or it is empty.
    void Read(const std::function<void(SqliteConnection &db, JournalFileKind kind)> &read) const;

private:
    template <typename Work>
    void WithJournal(Work work) const;

    std::filesystem::path file_;
};
