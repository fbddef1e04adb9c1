#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;

// A failed SQLite call; Code() is SQLite's primary result code.
class SqliteError : public std::runtime_error {
public:
    SqliteError(int code, const std::string &message);
    int Code() const { return code_; }
    // The file is no database or a damaged one.
    bool Damaged() const;

private:
    int code_;
};

// A file the program may not use for its journal: another user's, in
// another user's folder, or no regular file. what() says why, as a phrase to
// follow the file's name.
class FileRefused : public std::runtime_error {
public:
    FileRefused(std::filesystem::path file, const std::string &problem);
    const std::filesystem::path &File() const { return file_; }

private:
    std::filesystem::path file_;
};

// One connection, used by one thread at a time. The file and its companions
// (log, shared memory, rollback journal) are checked before SQLite opens
// them: written only as the program's own files, read only as regular files,
// so that a fifo never blocks and a link never leads SQLite to another
// user's file.
class SqliteConnection {
public:
    // ReadOnly never changes the file's rows. When the file may be written,
    // it is opened for writing all the same, so that the last connection to
    // close takes the log and its index away as a writer does; another's
    // file is read as it lies, without a log or lock file beside it.
    enum class Mode { ReadOnly, ReadWrite };

    // Opens (ReadWrite: creates) the file; throws FileRefused, SqliteError.
    SqliteConnection(const std::filesystem::path &file, Mode mode);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection &) = delete;
    SqliteConnection &operator=(const SqliteConnection &) = delete;

    // Runs statements that return nothing the caller needs.
    void Exec(const char *sql);
    // The first column of the first row of a query as text; empty when none.
    std::string Text(const char *sql);

    // Runs work in one write transaction, rolled back when work throws.
    template <typename Work>
    void InTransaction(Work work)
    {
        Exec("BEGIN IMMEDIATE");
        try {
            work();
            Exec("COMMIT");
        } catch (...) {
            RollBack();
            throw;
        }
    }

    [[noreturn]] void Fail(int code) const;
    sqlite3 *Handle() const { return db_; }

private:
    void RollBack() noexcept;

    sqlite3 *db_ = nullptr;
};
