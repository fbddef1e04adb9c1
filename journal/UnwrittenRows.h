#pragma once

#include "journal/JournalRow.h"

#include <chrono>
#include <deque>
#include <filesystem>
#include <string>

// Rows the journal could not take by the end of the run, kept beside it as
// CSV with the export's columns, so that the operator can still read them.
struct UnwrittenRows {
    std::size_t count = 0;
    // Where they were saved; empty when they could not be.
    std::filesystem::path file;
    // Why not, in German, to go into a sentence.
    std::string problem;
};

// Saves the rows as a new file of the user's own beside the journal:
// journal.sqlite3.nicht-geschrieben-<local date and time>.csv, never over
// another file.
UnwrittenRows SaveUnwrittenRows(const std::filesystem::path &journal, const std::deque<JournalRow> &rows,
                                std::chrono::system_clock::time_point now);

// The German sentence for the operator at the end of the run.
std::string UnwrittenNotice(const UnwrittenRows &saved);
