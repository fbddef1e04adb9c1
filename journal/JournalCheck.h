#pragma once

#include "journal/JournalRow.h"

#include <cstdint>
#include <filesystem>
#include <string>

// What checking the journal's chain of check values found.
struct JournalCheck {
    enum class Outcome {
        Unchanged,
        Changed,      // a row's value does not match: row and why
        NotCheckable, // unreadable, no rows, or no check values yet: problem
    };
    // Why the row named does not match.
    enum class Why {
        Changed,
        ChangedOrStart, // the first row: it, or the start value it builds on
        ChangedOrOlder, // the first row after rows from before check values: it or one of those
        Deleted,        // rows before it are missing
        Inserted,
        StartMissing,
    };

    Outcome outcome = Outcome::NotCheckable;
    Why why = Why::Changed;
    // The rows read up to the one named, or all.
    std::int64_t rows = 0;
    JournalRow first;
    JournalRow last;
    // Changed: the first row whose value does not match, and its id.
    JournalRow row;
    std::int64_t id = 0;
    // NotCheckable: why, in German, as a sentence.
    std::string problem;
};

// Reads the journal through a read-only connection of its own, as one state
// of the file, also while the program writes it.
JournalCheck CheckJournal(const std::filesystem::path &file);

// The result in one German line, for the command line and a report's
// footer (JournalCheckText(CheckJournal(file))): "Journal unverändert seit
// <first row> (<n> Einträge bis <last row>)" or the row named, times as the
// export writes them.
std::string JournalCheckText(const JournalCheck &check);
