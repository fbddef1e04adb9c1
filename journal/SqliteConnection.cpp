#include "journal/SqliteConnection.h"

#include "journal/JournalPath.h"
#include "journal/SqliteStatement.h"

#include <sqlite3.h>


namespace {

// Another writer (a second instance, a maintainer's sqlite3 shell) holds the
// lock only briefly; longer, the rows wait in memory rather than here.
constexpr int kBusyTimeoutMs = 250;

} // namespace

SqliteError::SqliteError(int code, const std::string &message)
    : std::runtime_error(message), code_(code & 0xff)
{
}

bool SqliteError::Damaged() const
{
    return code_ == SQLITE_CORRUPT || code_ == SQLITE_NOTADB;
}

SqliteConnection::SqliteConnection(const std::filesystem::path &file, Mode mode)
{
    // One thread at a time uses a connection, so SQLite's own locking of
    // each call is only cost.
    const int flags = SQLITE_OPEN_NOMUTEX
                      | (mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    const int result = sqlite3_open_v2(Utf8Path(file).c_str(), &db_, flags, nullptr);
    if (result != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(result);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw SqliteError(result, message);
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
}

SqliteConnection::~SqliteConnection()
{
    sqlite3_close_v2(db_);
}

void SqliteConnection::Exec(const char *sql)
{
    const int result = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (result != SQLITE_OK)
        Fail(result);
}

std::string SqliteConnection::Text(const char *sql)
{
    SqliteStatement statement(*this, sql);
    return statement.Step() ? statement.Text(0) : std::string();
}

void SqliteConnection::RollBack() noexcept
{
    // Also after a failed COMMIT, which may leave the transaction open.
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteConnection::Fail(int code) const
{
    throw SqliteError(code, sqlite3_errmsg(db_));
}
