#pragma once

#include "journal/JournalRow.h"

#include <QByteArrayView>
#include <QCryptographicHash>

#include <array>
#include <cstdint>

class SqliteStatement;

// The check values that chain the journal's rows: each row's is a SHA-256
// over the value before it (the previous row's, or the journal's start
// value) and the row's stored fields, its id among them, so that a row
// changed, moved, deleted or slipped in breaks the chain there.
class JournalChain {
public:
    static constexpr qsizetype kHashBytes = 32;
    // A row's fields as the table stores them, id first.
    using Fields = std::array<std::int64_t, 7>;

    // The columns that hold the fields, for a query to read them first.
    static constexpr const char *kColumns = "id, utc_ms, utc_offset_s, source, change, count, capacity";

    static Fields FieldsOf(std::int64_t id, const JournalRow &row);
    // From a query that reads kColumns first.
    static Fields FieldsAt(const SqliteStatement &row);
    // The value of the row with fields that follows previous; valid until
    // the next call.
    QByteArrayView Next(QByteArrayView previous, const Fields &fields);

private:
    QCryptographicHash hash_{QCryptographicHash::Sha256};
};
