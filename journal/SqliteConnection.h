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

// One connection, used by one thread at a time.
class SqliteConnection {
public:
    enum class Mode { ReadOnly, ReadWrite };

    // Opens (ReadWrite: creates) the file; throws SqliteError.
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
