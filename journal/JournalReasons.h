#pragma once

#include "journal/SqliteConnection.h"

#include <filesystem>
#include <string>
#include <system_error>

// German wording of what went wrong with the journal's file, each to go
// into a sentence of a notice or an error message.

// A path in German quotes: „/home/kasse/…/journal.sqlite3“.
std::string QuotedPath(const std::filesystem::path &path);
// An error of the system: "keine Berechtigung".
std::string SystemReason(const std::error_code &error);
// A file the journal may not use, named.
std::string RefusedReason(const FileRefused &refused);
// A failed SQLite call on the file, by SQLite's primary result code.
std::string SqliteReason(const std::filesystem::path &file, int code);
