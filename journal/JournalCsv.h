#pragma once

#include "journal/JournalRow.h"

#include <chrono>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Writes rows as CSV the way German spreadsheets read it: UTF-8 with a byte
// order mark, ';' between fields, CRLF line ends, one header line.
void WriteJournalCsv(std::ostream &out, const std::vector<JournalRow> &rows);
// Its header line, byte order mark first, and its rows' lines apart, for a
// file written piece by piece.
void WriteJournalCsvHeader(std::ostream &out);
void WriteJournalCsvRows(std::ostream &out, std::span<const JournalRow> rows);

// A row's local time in ISO 8601 with its offset: 2026-12-09T14:03:12+01:00.
std::string JournalTimeText(const JournalRow &row);
std::string LocalTimeText(const LocalTime &local);

// A field as written between ';': quoted when it holds what would split or
// end a field.
std::string CsvField(std::string_view text);

// Reads a date given as YYYY-MM-DD; only dates the calendar has. False with
// a German message in error otherwise.
bool ParseJournalDate(std::string_view text, std::chrono::year_month_day &date, std::string &error);
