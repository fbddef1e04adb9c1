#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

// Where the journal of a program lives: $XDG_DATA_HOME/Vendaro/<program>/
// journal.sqlite3, or under ~/.local/share when XDG_DATA_HOME is unset, empty
// or relative (relative ones are to be ignored). Empty when there is no
// absolute folder to use. The values are passed in, so that tests choose them.
std::filesystem::path JournalFile(std::string_view program, const char *xdgDataHome, const char *home);

// Creates the missing folders of a path for the user alone (0700).
bool MakePrivateFolders(const std::filesystem::path &folder, std::error_code &error);

// A path as UTF-8, the form SQLite and the notices take on every platform.
std::string Utf8Path(const std::filesystem::path &path);

// A moment's local date and time for a file name: 20261209-140312.
std::string LocalFileStamp(std::chrono::system_clock::time_point now);
