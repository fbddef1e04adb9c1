#include "journal/JournalStore.h"

#include "hall/LocalTime.h"
#include "journal/JournalPath.h"
#include "journal/JournalReasons.h"
#include "journal/JournalSchema.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

std::filesystem::path WithSuffix(const std::filesystem::path &file, const std::string &suffix)
{
    std::filesystem::path named = file;
    named += suffix;
    return named;
}

std::string_view View(const std::array<char, JournalChain::kHashBytes> &value)
{
    return {value.data(), value.size()};
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
    const auto kind = OpenJournal(*db);
    // Left for the version that wrote it: it is no damaged file.
    if (kind == JournalFileKind::Newer)
        throw JournalFailure("die Datei " + QuotedPath(file_)
                             + " stammt von einer neueren Programmversion und bleibt unverändert");
    if (kind != JournalFileKind::Journal)
        return false;
    insert_ = std::make_unique<SqliteStatement>(
        *db, "INSERT INTO changes (id, utc_ms, utc_offset_s, source, change, count, capacity, hash)"
             " VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    last_ = std::make_unique<SqliteStatement>(*db, "SELECT id, hash FROM changes WHERE id <= ? ORDER BY id DESC LIMIT 1");
    db_ = std::move(db);
    return true;
}

void JournalStore::Close()
{
    insert_.reset();
    last_.reset();
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

JournalStore::ChainEnd JournalStore::ChainAt(std::int64_t lastId)
{
    ChainEnd end;
    std::optional<std::int64_t> id;
    last_->Bind(1, lastId);
    if (last_->Step()) {
        end.id = last_->Integer(0);
        const auto stored = last_->Blob(1);
        if (stored.size() == end.value.size()) {
            std::copy(stored.begin(), stored.end(), end.value.begin());
            last_->Reset();
            return end;
        }
        id = end.id;
    }
    last_->Reset();
    // A start value missing or altered, or a row without its value that
    // was slipped in, is for the check to name: the chain goes on from
    // zeros and the rows are written all the same.
    std::int64_t startId = 0;
    std::int64_t unhashedId = 0;
    if (HasChainTable(*db_)) {
        SqliteStatement chain(*db_, "SELECT start, start_id, unhashed_id FROM chain");
        if (chain.Step()) {
            if (const auto start = chain.Blob(0); start.size() == end.value.size())
                std::copy(start.begin(), start.end(), end.value.begin());
            startId = chain.Integer(1);
            unhashedId = chain.Integer(2);
        }
    }
    if (!id) {
        end.id = startId;
        end.atStart = true;
        return end;
    }
    if (*id > unhashedId) {
        end.value = {};
        return end;
    }
    // Rows from before check values: the chain runs through them, as the
    // check does.
    SqliteStatement rows(*db_, std::string("SELECT ") + JournalChain::kColumns
                                   + " FROM changes WHERE id > ? AND id <= ? ORDER BY id");
    rows.Bind(1, startId).Bind(2, *id);
    while (rows.Step()) {
        const auto next = chain_.Next(View(end.value), JournalChain::FieldsAt(rows));
        std::copy(next.begin(), next.end(), end.value.begin());
    }
    return end;
}

void JournalStore::Expire(std::chrono::system_clock::time_point now)
{
    const auto today = LocalTimeAt(now).date;
    if (keepDays_ < 1 || expiredOn_ == today)
        return;
    // The rows before the first one to keep, in the order written: the chain
    // starts anew after them. A row that is older only by a clock set back
    // stays until the ones before it go.
    db_->InTransaction([&] {
        SqliteStatement keep(*db_, std::string("SELECT id FROM changes NOT INDEXED WHERE ") + kLocalTimeMs
                                       + " >= ? ORDER BY id LIMIT 1");
        keep.Bind(1, LocalDayStartMs(std::chrono::sys_days(today) - std::chrono::days(keepDays_)));
        const auto end = ChainAt(keep.Step() ? keep.Integer(0) - 1 : std::numeric_limits<std::int64_t>::max());
        if (end.atStart)
            return;
        SqliteStatement expire(*db_, "DELETE FROM changes WHERE id <= ?");
        expire.Bind(1, end.id).Step();
        if (!HasChainTable(*db_))
            return;
        SqliteStatement start(*db_, "UPDATE chain SET start = ?, start_id = ?");
        start.BindBlob(1, View(end.value)).Bind(2, end.id).Step();
    });
    expiredOn_ = today;
}

void JournalStore::Insert(const std::deque<JournalRow> &rows)
{
    if (rows.empty())
        return;
    db_->InTransaction([&] {
        auto end = ChainAt(std::numeric_limits<std::int64_t>::max());
        for (const auto &row : rows) {
            const auto fields = JournalChain::FieldsOf(++end.id, row);
            const auto value = chain_.Next(View(end.value), fields);
            std::copy(value.begin(), value.end(), end.value.begin());
            for (std::size_t i = 0; i < fields.size(); ++i)
                insert_->Bind(static_cast<int>(i) + 1, fields[i]);
            insert_->BindBlob(8, View(end.value));
            insert_->Step();
            insert_->Reset();
        }
    });
}
