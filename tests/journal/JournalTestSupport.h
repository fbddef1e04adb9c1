#pragma once

#include "journal/JournalRow.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <ostream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// A folder of its own for one test, removed afterwards.
class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "pontra-journal-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path &Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Polls until condition holds, for a state another thread or process
// reaches; false after 10 s.
template <typename Condition>
bool WaitFor(Condition condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Runs SQL on a file through the sqlite3 shell, as a person with the file and
// no program would; true when it succeeded.
inline bool SqliteShell(const std::filesystem::path &file, const std::string &sql)
{
    std::string path = file.string();
    std::string statements = sql;
    char program[] = "sqlite3";
    char bail[] = "-bail";
    char *arguments[] = {program, bail, path.data(), statements.data(), nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, program, &quiet, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0)
        return false;
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A row at a UTC moment given in seconds, with its offset in minutes.
inline JournalRow Row(std::chrono::sys_seconds utc, int offsetMinutes, std::uint16_t source, JournalChange change,
                      std::int32_t count, std::int32_t capacity = 5)
{
    return {utc, std::chrono::minutes(offsetMinutes), source, change, count, capacity};
}

// Readable failures.
inline void PrintTo(const JournalRow &row, std::ostream *out)
{
    *out << "{" << row.time.time_since_epoch().count() << " ms " << row.utcOffset.count() << " s, source "
         << row.source << ", change " << static_cast<int>(row.change) << ", count " << row.count << "/" << row.capacity
         << "}";
}
