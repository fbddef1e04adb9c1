#pragma once

#include "journal/SqliteConnection.h"

#include <chrono>
#include <cstdint>

// What a database file holds, as far as the journal is concerned.
enum class JournalFileKind {
    Journal,   // ours, in the schema this program writes
    Unchained, // ours, from before rows had check values: read as it is, upgraded for writing
    Empty,     // a new or empty database: ours to set up
    Foreign,   // another program's database
    Newer,     // ours, from a later version of the program
};

// Throws SqliteError (SQLITE_NOTADB, SQLITE_CORRUPT) for a damaged file.
JournalFileKind InspectJournal(SqliteConnection &db);

// Readies a connection for writing: makes an empty database a journal,
// upgrades an unchained one in place (no row lost) and brings the readable
// view up to date, in WAL mode so that readers never wait for the writer.
// Leaves any other kind of file untouched and returns what it found.
JournalFileKind OpenJournal(SqliteConnection &db);

// Whether the table of the chain's start is there as made: someone may have
// dropped or altered it, and the rows are written and read all the same.
bool HasChainTable(SqliteConnection &db);

// A row's local wall-clock time in milliseconds, as the index on local time
// spells it; a query must spell it the same to use the index.
inline constexpr const char *kLocalTimeMs = "utc_ms + utc_offset_s * 1000";

// The local wall-clock milliseconds at which a local date begins.
std::int64_t LocalDayStartMs(std::chrono::sys_days day);
