#include "journal/SqliteStatement.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(SqliteConnection &connection, std::string_view sql)
    : connection_(connection)
{
    const int result = sqlite3_prepare_v2(connection.Handle(), sql.data(), static_cast<int>(sql.size()), &statement_,
                                          nullptr);
    if (result != SQLITE_OK)
        connection.Fail(result);
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(statement_);
}

SqliteStatement &SqliteStatement::Bind(int index, std::int64_t value)
{
    const int result = sqlite3_bind_int64(statement_, index, value);
    if (result != SQLITE_OK)
        connection_.Fail(result);
    return *this;
}

SqliteStatement &SqliteStatement::BindBlob(int index, std::string_view bytes)
{
    const int result = sqlite3_bind_blob64(statement_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
    if (result != SQLITE_OK)
        connection_.Fail(result);
    return *this;
}

bool SqliteStatement::Step()
{
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    sqlite3_reset(statement_);
    connection_.Fail(result);
}

std::int64_t SqliteStatement::Integer(int column) const
{
    return sqlite3_column_int64(statement_, column);
}

std::string SqliteStatement::Text(int column) const
{
    const auto *text = sqlite3_column_text(statement_, column);
    return text ? std::string(reinterpret_cast<const char *>(text)) : std::string();
}

std::string_view SqliteStatement::Blob(int column) const
{
    const auto *bytes = static_cast<const char *>(sqlite3_column_blob(statement_, column));
    return bytes ? std::string_view(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                 : std::string_view();
}

bool SqliteStatement::IsNull(int column) const
{
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

void SqliteStatement::Reset()
{
    sqlite3_reset(statement_);
}
