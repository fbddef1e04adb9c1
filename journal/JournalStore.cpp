#include "journal/JournalStore.h"

#include "hall/LocalTime.h"
#include "journal/JournalPath.h"
#include "journal/JournalReasons.h"
#include "journal/JournalSchema.h"

#include <utility>

namespace {

std::filesystem::path WithSuffix(const std::filesystem::path &file, const std::string &suffix)
{
    std::filesystem::path named = file;
    named += suffix;
    return named;
}

} // namespace

JournalStore::JournalStore(std::filesystem::path file, int keepDays)
    : file_(std::move(file)), keepDays_(keepDays)
{
}

JournalStore::~JournalStore()
{
    Close();
}

void JournalStore::Write(const std::deque<JournalRow> &rows, std::chrono::system_clock::time_point now)
{
    // A damaged or foreign file is moved aside once per call; a second one in
    // a row is a failure to report, not a loop.
    for (bool setAside = false;; setAside = true) {
        try {
            if (db_ || Open()) {
                Expire(now);
                Insert(rows);
                return;
            }
        } catch (const SqliteError &error) {
            Close();
            if (!error.Damaged())
                throw JournalFailure(SqliteReason(file_, error.Code()));
        } catch (const FileRefused &refused) {
            Close();
            throw JournalFailure(RefusedReason(refused));
        }
        if (setAside)
            throw JournalFailure("die neu angelegte Datei " + QuotedPath(file_) + " ist nicht brauchbar");
        SetAside(now);
    }
}

std::filesystem::path JournalStore::TakeSetAside()
{
    return std::exchange(setAside_, {});
}

void JournalStore::Checkpoint() noexcept
{
    if (!db_)
        return;
    try {
        db_->Exec("PRAGMA wal_checkpoint(PASSIVE)");
    } catch (const SqliteError &) {
        // The rows stay in the log and go into the file with the next one.
    }
}

bool JournalStore::Open()
{
    std::error_code error;
    if (!MakePrivateFolders(file_.parent_path(), error))
        throw JournalFailure("der Ordner " + QuotedPath(file_.parent_path()) + " lässt sich nicht anlegen ("
                             + SystemReason(error) + ")");
    auto db = std::make_unique<SqliteConnection>(file_, SqliteConnection::Mode::ReadWrite);
    if (OpenJournal(*db) != JournalFileKind::Journal)
        return false;
    insert_ = std::make_unique<SqliteStatement>(
        *db, "INSERT INTO changes (utc_ms, utc_offset_s, source, change, count, capacity) VALUES (?, ?, ?, ?, ?, ?)");
    db_ = std::move(db);
    return true;
}

void JournalStore::Close()
{
    insert_.reset();
    db_.reset();
}

void JournalStore::SetAside(std::chrono::system_clock::time_point now)
{
    const std::string stamp = ".defekt-" + LocalFileStamp(now);
    std::filesystem::path target = WithSuffix(file_, stamp);
    std::error_code error;
    for (int n = 2; std::filesystem::exists(target, error); ++n)
        target = WithSuffix(file_, stamp + "-" + std::to_string(n));
    std::filesystem::rename(file_, target, error);
    if (error)
        throw JournalFailure("die unbrauchbare Datei " + QuotedPath(file_) + " lässt sich nicht beiseitelegen");
    // Its log goes with it, which may hold its latest pages; the shared-memory
    // index is rebuilt from the log by whoever opens the file.
    for (const char *companion : {"-wal", "-journal"}) {
        if (std::filesystem::exists(WithSuffix(file_, companion), error))
            std::filesystem::rename(WithSuffix(file_, companion), WithSuffix(target, companion), error);
    }
    std::filesystem::remove(WithSuffix(file_, "-shm"), error);
    setAside_ = target;
}

void JournalStore::Expire(std::chrono::system_clock::time_point now)
{
    const auto today = LocalTimeAt(now).date;
    if (keepDays_ < 1 || expiredOn_ == today)
        return;
    SqliteStatement expire(*db_, std::string("DELETE FROM changes WHERE ") + kLocalTimeMs + " < ?");
    expire.Bind(1, LocalDayStartMs(std::chrono::sys_days(today) - std::chrono::days(keepDays_)));
    expire.Step();
    expiredOn_ = today;
}

void JournalStore::Insert(const std::deque<JournalRow> &rows)
{
    if (rows.empty())
        return;
    db_->InTransaction([&] {
        for (const auto &row : rows) {
            insert_->Bind(1, row.time.time_since_epoch().count())
                .Bind(2, row.utcOffset.count())
                .Bind(3, row.source)
                .Bind(4, static_cast<int>(row.change))
                .Bind(5, row.count)
                .Bind(6, row.capacity);
            insert_->Step();
            insert_->Reset();
        }
    });
}
