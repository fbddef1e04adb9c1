#include "journal/JournalCheck.h"

#include "journal/JournalChain.h"
#include "journal/JournalCsv.h"
#include "journal/JournalReader.h"
#include "journal/SqliteStatement.h"

namespace {

using Hash = std::array<char, JournalChain::kHashBytes>;
constexpr int kHashColumn = 7;

JournalRow RowOf(const JournalChain::Fields &fields)
{
    JournalRow row;
    row.time = std::chrono::sys_time<std::chrono::milliseconds>(std::chrono::milliseconds(fields[1]));
    row.utcOffset = std::chrono::seconds(fields[2]);
    row.source = static_cast<std::uint16_t>(fields[3]);
    row.change = static_cast<JournalChange>(fields[4]);
    row.count = static_cast<std::int32_t>(fields[5]);
    row.capacity = static_cast<std::int32_t>(fields[6]);
    return row;
}

bool Matches(std::string_view stored, QByteArrayView computed)
{
    return stored == std::string_view(computed.data(), static_cast<std::size_t>(computed.size()));
}

// 1234567 as 1.234.567.
std::string Grouped(std::int64_t number)
{
    std::string digits = std::to_string(number);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > (digits[0] == '-' ? 1 : 0); at -= 3)
        digits.insert(static_cast<std::size_t>(at), 1, '.');
    return digits;
}

// Walks the rows in the order written, as one read transaction.
void Check(SqliteConnection &db, JournalCheck &check)
{
    Hash value{};
    std::int64_t startId = 0;
    std::int64_t unhashedId = 0;
    bool startMissing = true;
    if (HasChainTable(db)) {
        SqliteStatement chain(db, "SELECT start, start_id, unhashed_id FROM chain");
        if (chain.Step() && chain.Blob(0).size() == value.size()) {
            const auto start = chain.Blob(0);
            std::copy(start.begin(), start.end(), value.begin());
            startId = chain.Integer(1);
            unhashedId = chain.Integer(2);
            startMissing = false;
        }
    }
    JournalChain hasher;
    std::int64_t previousId = startId;
    bool atStart = true;
    bool throughOlder = false;
    SqliteStatement rows(db, std::string("SELECT ") + JournalChain::kColumns + ", hash FROM changes ORDER BY id");
    JournalChain::Fields fields{};
    const auto named = [&](JournalCheck::Why why) {
        check.outcome = JournalCheck::Outcome::Changed;
        check.why = why;
        check.id = fields[0];
        check.row = check.last = RowOf(fields);
    };
    while (rows.Step()) {
        fields = JournalChain::FieldsAt(rows);
        if (check.rows++ == 0)
            check.first = RowOf(fields);
        if (startMissing)
            return named(JournalCheck::Why::StartMissing);
        // Rows up to the start were deleted as expired; one there came after.
        if (fields[0] <= startId)
            return named(JournalCheck::Why::Inserted);
        const auto computed = hasher.Next({value.data(), value.size()}, fields);
        const auto stored = rows.Blob(kHashColumn);
        if (fields[0] <= unhashedId || Matches(stored, computed)) {
            std::copy(computed.begin(), computed.end(), value.begin());
            throughOlder = fields[0] <= unhashedId;
            atStart = false;
            previousId = fields[0];
            continue;
        }
        // The writer gives every row its value: one without was slipped in.
        if (stored.empty())
            return named(JournalCheck::Why::Inserted);
        if (fields[0] > previousId + 1)
            return named(JournalCheck::Why::Deleted);
        return named(throughOlder ? JournalCheck::Why::ChangedOrOlder
                     : atStart    ? JournalCheck::Why::ChangedOrStart
                                  : JournalCheck::Why::Changed);
    }
    // Rows from before check values are vouched for only by a row after them.
    if (check.rows == 0 || throughOlder)
        return;
    check.outcome = JournalCheck::Outcome::Unchanged;
    check.last = RowOf(fields);
}

} // namespace

JournalCheck CheckJournal(const std::filesystem::path &file)
{
    JournalCheck check;
    try {
        JournalReader(file).Read([&](SqliteConnection &db, JournalFileKind kind) {
            if (kind == JournalFileKind::Unchained) {
                check.problem = "Das Tagesjournal stammt von einer älteren Programmversion und hat noch keine "
                                "Prüfwerte; es erhält sie, sobald das Programm wieder hineinschreibt.";
                return;
            }
            // The chain's start and the rows as one state of the file: the
            // writer may expire rows meanwhile.
            db.Exec("BEGIN");
            Check(db, check);
            db.Exec("COMMIT");
        });
    } catch (const JournalError &error) {
        check = {};
        check.problem = error.what();
    }
    if (check.outcome == JournalCheck::Outcome::NotCheckable && check.problem.empty())
        check.problem = check.rows == 0 ? "Das Tagesjournal enthält keine Einträge."
                                        : "Kein Eintrag des Tagesjournals hat einen Prüfwert.";
    return check;
}

std::string JournalCheckText(const JournalCheck &check)
{
    if (check.outcome == JournalCheck::Outcome::NotCheckable)
        return "Journal nicht prüfbar: " + check.problem;
    if (check.outcome == JournalCheck::Outcome::Unchanged)
        return "Journal unverändert seit " + JournalTimeText(check.first) + " (" + Grouped(check.rows)
               + (check.rows == 1 ? " Eintrag" : " Einträge") + " bis " + JournalTimeText(check.last) + ")";
    const std::string row = "Eintrag Nr. " + std::to_string(check.id) + " vom " + JournalTimeText(check.row);
    switch (check.why) {
    case JournalCheck::Why::Changed:
        return "Journal verändert: " + row + " wurde geändert.";
    case JournalCheck::Why::ChangedOrStart:
        return "Journal verändert: " + row + " oder der Startwert der Prüfkette wurde geändert.";
    case JournalCheck::Why::ChangedOrOlder:
        return "Journal verändert: " + row + " oder ein Eintrag davor aus der Zeit vor den Prüfwerten wurde "
               "geändert, gelöscht oder eingefügt.";
    case JournalCheck::Why::Deleted:
        return "Journal verändert: vor " + row + " wurden Einträge gelöscht.";
    case JournalCheck::Why::Inserted:
        return "Journal verändert: " + row + " wurde eingefügt.";
    case JournalCheck::Why::StartMissing:
        break;
    }
    return "Journal verändert: der Startwert der Prüfkette fehlt (erster Eintrag Nr. " + std::to_string(check.id)
           + " vom " + JournalTimeText(check.row) + ").";
}
