#include "journal/JournalCsv.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace {

bool ReadNumber(std::string_view text, int &value)
{
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return std::from_chars(text.data(), text.data() + text.size(), value).ec == std::errc();
}

} // namespace

std::string CsvField(std::string_view text)
{
    if (text.find_first_of(";\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

std::string JournalTimeText(const JournalRow &row)
{
    return LocalTimeText(row.Local());
}

std::string LocalTimeText(const LocalTime &local)
{
    const std::chrono::hh_mm_ss<std::chrono::seconds> clock(local.timeOfDay);
    const auto offset = local.utcOffset.count();
    const auto offsetMinutes = std::abs(offset) / 60;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d%c%02d:%02d", static_cast<int>(local.date.year()),
                  static_cast<unsigned>(local.date.month()), static_cast<unsigned>(local.date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()), offset < 0 ? '-' : '+',
                  static_cast<int>(offsetMinutes / 60), static_cast<int>(offsetMinutes % 60));
    return text;
}

void WriteJournalCsv(std::ostream &out, const std::vector<JournalRow> &rows)
{
    WriteJournalCsvHeader(out);
    WriteJournalCsvRows(out, rows);
}

void WriteJournalCsvHeader(std::ostream &out)
{
    out << "\xEF\xBB\xBF" << "Zeit;Quelle;Änderung;Stand;Kapazität\r\n";
}

void WriteJournalCsvRows(std::ostream &out, std::span<const JournalRow> rows)
{
    for (const auto &row : rows) {
        const auto source = JournalSourceName(row.source);
        out << JournalTimeText(row) << ';' << (source.empty() ? std::to_string(row.source) : CsvField(source)) << ';'
            << CsvField(JournalChangeText(row.change)) << ';' << row.count << ';' << row.capacity << "\r\n";
    }
}

bool ParseJournalDate(std::string_view text, std::chrono::year_month_day &date, std::string &error)
{
    int year = 0;
    int month = 0;
    int day = 0;
    const bool shaped = text.size() == 10 && text[4] == '-' && text[7] == '-' && ReadNumber(text.substr(0, 4), year)
                        && ReadNumber(text.substr(5, 2), month) && ReadNumber(text.substr(8, 2), day);
    const std::chrono::year_month_day read{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                                           std::chrono::day(static_cast<unsigned>(day))};
    if (!shaped || !read.ok()) {
        error = "Ungültiges Datum „" + std::string(text) + "“: erwartet wird ein Kalendertag als JJJJ-MM-TT, "
                "zum Beispiel 2026-12-09.";
        return false;
    }
    date = read;
    return true;
}
