#include "journal/SqliteConnection.h"

#include "journal/JournalPath.h"
#include "journal/SqliteStatement.h"
#include "files/FileRules.h"

#include <sqlite3.h>

#include <cctype>


namespace {

// Another writer (a second instance, a maintainer's sqlite3 shell) holds the
// lock only briefly; longer, the rows wait in memory rather than here.
constexpr int kBusyTimeoutMs = 250;

// Whether the program may write the companions beside the database file
// at place (its links resolved, where SQLite keeps them); throws FileRefused
// for one that may not be used at all. A link in a companion's place is
// none of SQLite's.
bool CompanionsWritable(const std::filesystem::path &place, bool mustWrite)
{
    bool writable = true;
    for (const char *suffix : {"-wal", "-shm", "-journal"}) {
        std::filesystem::path companion = place;
        companion += suffix;
        const FilePlace read = PlaceToRead(companion, LinkInPlace::Refuse);
        if (!read.problem.empty())
            throw FileRefused(companion, read.problem);
        const FilePlace write = PlaceToWrite(companion, LinkInPlace::Refuse);
        if (mustWrite && !write.problem.empty())
            throw FileRefused(companion, write.problem);
        writable = writable && write.problem.empty();
    }
    return writable;
}

// A read-only URI for a file that may change under it no more than SQLite
// is told: no lock, no log, nothing written beside it.
std::string ImmutableUri(const std::string &path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0xf];
        }
    }
    return uri + "?immutable=1";
}

} // namespace

FileRefused::FileRefused(std::filesystem::path file, const std::string &problem)
    : std::runtime_error(problem), file_(std::move(file))
{
}

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
    const bool write = mode == Mode::ReadWrite;
    const FilePlace place = write ? PlaceToWrite(file) : PlaceToRead(file);
    if (!place.problem.empty())
        throw FileRefused(file, place.problem);
    const bool writable = CompanionsWritable(place.path, write) && (write || PlaceToWrite(file).problem.empty());
    // One thread at a time uses a connection, so SQLite's own locking of
    // each call is only cost. The place has its links resolved, so that
    // SQLite may refuse any it meets.
    int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW;
    std::string name = Utf8Path(place.path);
    if (write) {
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    } else if (writable) {
        flags |= SQLITE_OPEN_READWRITE;
    } else {
        flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
        name = ImmutableUri(name);
    }
    const int result = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
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
