#include "journal/JournalSchema.h"

#include "journal/JournalRow.h"
#include "journal/SqliteStatement.h"

#include <string>

namespace {

// "PNTR": marks the file as ours for tools such as file(1) too.
constexpr std::int64_t kApplicationId = 0x504E5452;
// 2: each row carries its check value (JournalChain), the chain's start is
// in a table of its own.
constexpr std::int64_t kSchemaVersion = 2;
constexpr std::int64_t kUnchainedVersion = 1;

// Times are integers: UTC milliseconds and the offset in seconds, so a row
// takes about 80 bytes with its check value and index. The index is on local
// time, which is what a day means to the hall; the partial index finds the
// last daily reset without reading the year.
constexpr const char *kTables = R"(
CREATE TABLE changes (
    id INTEGER PRIMARY KEY,
    utc_ms INTEGER NOT NULL,
    utc_offset_s INTEGER NOT NULL,
    source INTEGER NOT NULL,
    change INTEGER NOT NULL,
    count INTEGER NOT NULL,
    capacity INTEGER NOT NULL,
    hash BLOB
);
CREATE INDEX changes_by_local_time ON changes (utc_ms + utc_offset_s * 1000);
CREATE INDEX changes_daily_resets ON changes (id) WHERE source = 6;
)";

// The chain's start: a random value of this file's own, or the check value
// of the last row deleted as expired, and that row's id; the rows up to
// unhashed_id were written before rows had check values and are chained
// through by the first row after them. One row.
constexpr const char *kChainTable = R"(
CREATE TABLE chain (
    start BLOB NOT NULL,
    start_id INTEGER NOT NULL,
    unhashed_id INTEGER NOT NULL
);
INSERT INTO chain SELECT randomblob(32), coalesce(min(id) - 1, 0), coalesce(max(id), 0) FROM changes;
)";

// The table as pragma_table_info describes the one kTables makes, column by
// column: name, type, NOT NULL, primary key; in version 1 without the hash.
constexpr const char *kUnchainedColumns = "id INTEGER 0 1,utc_ms INTEGER 1 0,utc_offset_s INTEGER 1 0,"
                                          "source INTEGER 1 0,change INTEGER 1 0,count INTEGER 1 0,"
                                          "capacity INTEGER 1 0";
const std::string kChangesColumns = std::string(kUnchainedColumns) + ",hash BLOB 0 0";

std::string SqlText(std::string_view text)
{
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c;
        if (c == '\'')
            quoted += '\'';
    }
    return quoted + "'";
}

// For a maintainer with the sqlite3 shell: the rows as the export writes them.
std::string ReadableView()
{
    std::string sources;
    for (std::uint16_t code = 1; code < 64; ++code) {
        if (const auto name = JournalSourceName(code); !name.empty())
            sources += " WHEN " + std::to_string(code) + " THEN " + SqlText(name);
    }
    std::string changes;
    for (int code = -1; code <= 8; ++code) {
        if (const auto text = JournalChangeText(static_cast<JournalChange>(code)); !text.empty())
            changes += " WHEN " + std::to_string(code) + " THEN " + SqlText(text);
    }
    return "CREATE VIEW changes_readable AS SELECT id,"
           " strftime('%Y-%m-%dT%H:%M:%S', (utc_ms + utc_offset_s * 1000) / 1000, 'unixepoch')"
           " || CASE WHEN utc_offset_s < 0 THEN '-' ELSE '+' END"
           " || printf('%02d:%02d', abs(utc_offset_s) / 3600, abs(utc_offset_s) / 60 % 60) AS \"Zeit\","
           " CASE source" + sources + " ELSE source END AS \"Quelle\","
           " CASE change" + changes + " ELSE '' END AS \"Änderung\","
           " count AS \"Stand\", capacity AS \"Kapazität\" FROM changes";
}

} // namespace

JournalFileKind InspectJournal(SqliteConnection &db)
{
    // One statement reads one state of the file: a journal being made by
    // another connection is either not begun or complete, never half.
    SqliteStatement inspect(db, "SELECT (SELECT application_id FROM pragma_application_id),"
                                " (SELECT user_version FROM pragma_user_version),"
                                " (SELECT count(*) FROM sqlite_schema),"
                                " (SELECT group_concat(name || ' ' || type || ' ' || \"notnull\" || ' ' || pk, ',')"
                                "  FROM pragma_table_info('changes')"
                                "  WHERE (SELECT type FROM sqlite_schema WHERE name = 'changes') = 'table')");
    inspect.Step();
    const auto application = inspect.Integer(0);
    const auto version = inspect.Integer(1);
    if (application == kApplicationId) {
        // Marked as ours but without the table as made: another's, whatever it holds.
        if (version == kSchemaVersion)
            return inspect.Text(3) == kChangesColumns ? JournalFileKind::Journal : JournalFileKind::Foreign;
        if (version == kUnchainedVersion)
            return inspect.Text(3) == kUnchainedColumns ? JournalFileKind::Unchained : JournalFileKind::Foreign;
        return version > kSchemaVersion ? JournalFileKind::Newer : JournalFileKind::Foreign;
    }
    return application == 0 && inspect.Integer(2) == 0 ? JournalFileKind::Empty : JournalFileKind::Foreign;
}

JournalFileKind OpenJournal(SqliteConnection &db)
{
    auto kind = InspectJournal(db);
    if (kind != JournalFileKind::Journal && kind != JournalFileKind::Empty && kind != JournalFileKind::Unchained)
        return kind;
    db.Exec("PRAGMA journal_mode = WAL");
    db.Exec("PRAGMA synchronous = NORMAL");
    const std::string view = ReadableView();
    db.InTransaction([&] {
        // Another instance may have set it up since.
        kind = InspectJournal(db);
        if (kind == JournalFileKind::Empty || kind == JournalFileKind::Unchained) {
            // The rows of version 1 stay as they are, without check values;
            // the chain runs through them to the first row written now.
            db.Exec(kind == JournalFileKind::Empty ? kTables : "ALTER TABLE changes ADD COLUMN hash BLOB");
            db.Exec(kChainTable);
            db.Exec(("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
            db.Exec(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
        } else if (kind != JournalFileKind::Journal
                   || db.Text("SELECT sql FROM sqlite_schema WHERE name = 'changes_readable'") == view) {
            return;
        }
        db.Exec("DROP VIEW IF EXISTS changes_readable");
        db.Exec(view.c_str());
    });
    return kind == JournalFileKind::Empty || kind == JournalFileKind::Unchained ? JournalFileKind::Journal : kind;
}

bool HasChainTable(SqliteConnection &db)
{
    return db.Text("SELECT count(*) FROM pragma_table_info('chain') WHERE name IN ('start', 'start_id', 'unhashed_id')")
           == "3";
}

std::int64_t LocalDayStartMs(std::chrono::sys_days day)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(day.time_since_epoch()).count();
}
