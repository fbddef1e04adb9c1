#pragma once

#include "journal/SqliteConnection.h"

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3_stmt;

// A prepared statement of a connection.
class SqliteStatement {
public:
    SqliteStatement(SqliteConnection &connection, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // Parameters count from 1.
    SqliteStatement &Bind(int index, std::int64_t value);
    SqliteStatement &BindBlob(int index, std::string_view bytes);
    // True while it yields a row; throws on failure.
    bool Step();
    // Columns count from 0.
    std::int64_t Integer(int column) const;
    std::string Text(int column) const;
    // Valid until the next step or reset.
    std::string_view Blob(int column) const;
    bool IsNull(int column) const;
    // Ready to run again, parameters kept.
    void Reset();

private:
    SqliteConnection &connection_;
    sqlite3_stmt *statement_ = nullptr;
};
