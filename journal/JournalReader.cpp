#include "journal/JournalReader.h"

#include "hall/HallSource.h"
#include "journal/JournalReasons.h"
#include "journal/JournalSchema.h"
#include "journal/SqliteConnection.h"
#include "journal/SqliteStatement.h"

#include <limits>
#include <string>

namespace {

constexpr const char *kColumns = "SELECT utc_ms, utc_offset_s, source, change, count, capacity FROM changes";

JournalRow RowAt(const SqliteStatement &statement)
{
    JournalRow row;
    row.time = std::chrono::sys_time<std::chrono::milliseconds>(std::chrono::milliseconds(statement.Integer(0)));
    row.utcOffset = std::chrono::seconds(statement.Integer(1));
    row.source = static_cast<std::uint16_t>(statement.Integer(2));
    row.change = static_cast<JournalChange>(statement.Integer(3));
    row.count = static_cast<std::int32_t>(statement.Integer(4));
    row.capacity = static_cast<std::int32_t>(statement.Integer(5));
    return row;
}

} // namespace

JournalReader::JournalReader(std::filesystem::path file)
    : file_(std::move(file))
{
}

template <typename Work>
void JournalReader::WithJournal(Work work) const
{
    Read([&](SqliteConnection &db, JournalFileKind) { work(db); });
}

void JournalReader::Read(const std::function<void(SqliteConnection &db, JournalFileKind kind)> &read) const
{
    std::error_code error;
    const bool present = std::filesystem::exists(file_, error);
    if (error)
        throw JournalError("Das Tagesjournal lässt sich nicht lesen: " + SystemReason(error) + ".");
    if (!present)
        return;
    try {
        SqliteConnection db(file_, SqliteConnection::Mode::ReadOnly);
        switch (const auto kind = InspectJournal(db)) {
        case JournalFileKind::Journal:
        case JournalFileKind::Unchained:
            read(db, kind);
            return;
        case JournalFileKind::Empty:
            return;
        case JournalFileKind::Foreign:
            throw JournalError("Die Datei " + QuotedPath(file_) + " ist kein Tagesjournal dieses Programms.");
        case JournalFileKind::Newer:
            throw JournalError("Das Tagesjournal " + QuotedPath(file_) + " stammt von einer neueren Programmversion.");
        }
    } catch (const SqliteError &error) {
        throw JournalError("Das Tagesjournal lässt sich nicht lesen: " + SqliteReason(file_, error.Code()) + ".");
    } catch (const FileRefused &refused) {
        throw JournalError("Das Tagesjournal lässt sich nicht lesen: " + RefusedReason(refused) + ".");
    }
}

std::vector<JournalRow> JournalReader::Rows(std::optional<std::chrono::year_month_day> from,
                                            std::optional<std::chrono::year_month_day> to) const
{
    std::vector<JournalRow> rows;
    WithJournal([&](SqliteConnection &db) {
        const std::string days = std::string(kLocalTimeMs) + " >= ?1 AND " + kLocalTimeMs + " < ?2";
        const auto bind = [&](SqliteStatement &statement) {
            statement.Bind(1, from ? LocalDayStartMs(*from) : std::numeric_limits<std::int64_t>::min());
            statement.Bind(2, to ? LocalDayStartMs(std::chrono::sys_days(*to) + std::chrono::days(1))
                                 : std::numeric_limits<std::int64_t>::max());
        };
        // The days' rows lie between their first and last id; reading that
        // stretch in id order needs no sort, which halves the time for a
        // busy day. The index finds the stretch without touching the rows.
        SqliteStatement stretch(db, "SELECT min(id), max(id) FROM changes WHERE " + days);
        bind(stretch);
        if (!stretch.Step() || stretch.IsNull(0))
            return;
        SqliteStatement select(db, std::string(kColumns) + " WHERE id BETWEEN ?3 AND ?4 AND " + days + " ORDER BY id");
        bind(select);
        select.Bind(3, stretch.Integer(0)).Bind(4, stretch.Integer(1));
        while (select.Step())
            rows.push_back(RowAt(select));
    });
    return rows;
}

std::optional<JournalRow> JournalReader::LastRowBefore(std::chrono::year_month_day day) const
{
    std::optional<JournalRow> row;
    WithJournal([&](SqliteConnection &db) {
        // In the index's order, which is the rows' but for an hour the clock
        // goes back, never at midnight.
        SqliteStatement select(db, std::string(kColumns) + " WHERE " + kLocalTimeMs + " < ?1 ORDER BY "
                                       + kLocalTimeMs + " DESC, id DESC LIMIT 1");
        select.Bind(1, LocalDayStartMs(day));
        if (select.Step())
            row = RowAt(select);
    });
    return row;
}

std::optional<JournalRow> JournalReader::FirstRowFrom(std::chrono::year_month_day day) const
{
    std::optional<JournalRow> row;
    WithJournal([&](SqliteConnection &db) {
        SqliteStatement select(db, std::string(kColumns) + " WHERE " + kLocalTimeMs + " >= ?1 ORDER BY "
                                       + kLocalTimeMs + ", id LIMIT 1");
        select.Bind(1, LocalDayStartMs(day));
        if (select.Step())
            row = RowAt(select);
    });
    return row;
}

std::optional<JournalRow> JournalReader::LastRow() const
{
    std::optional<JournalRow> last;
    WithJournal([&](SqliteConnection &db) {
        SqliteStatement select(db, std::string(kColumns) + " ORDER BY id DESC LIMIT 1");
        if (select.Step())
            last = RowAt(select);
    });
    return last;
}

std::optional<std::chrono::year_month_day> JournalReader::LastDailyReset() const
{
    std::optional<std::chrono::year_month_day> date;
    WithJournal([&](SqliteConnection &db) {
        SqliteStatement select(db, std::string(kColumns) + " WHERE source = "
                                       + std::to_string(static_cast<int>(HallSource::DailyReset))
                                       + " ORDER BY id DESC LIMIT 1");
        if (select.Step())
            date = RowAt(select).Local().date;
    });
    return date;
}

JournalReader::Expiring JournalReader::ExpiringRows(int keepDays, std::chrono::year_month_day today) const
{
    Expiring expiring;
    WithJournal([&](SqliteConnection &db) {
        // The writer's bound; the local days before it counted back from it.
        // As the writer does, the rows before the first one to keep.
        const std::string local = kLocalTimeMs;
        SqliteStatement count(db, "SELECT count(*), count(DISTINCT (?1 - 1 - (" + local
                                      + ")) / 86400000) FROM changes WHERE id < coalesce((SELECT id FROM changes"
                                        " NOT INDEXED WHERE " + local + " >= ?1 ORDER BY id LIMIT 1),"
                                        " (SELECT max(id) + 1 FROM changes))");
        count.Bind(1, LocalDayStartMs(std::chrono::sys_days(today) - std::chrono::days(keepDays)));
        if (count.Step()) {
            expiring.rows = count.Integer(0);
            expiring.days = count.Integer(1);
        }
    });
    return expiring;
}
