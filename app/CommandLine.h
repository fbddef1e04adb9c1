#pragma once

#include "report/HallReport.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <filesystem>
#include <optional>
#include <ostream>

// What the program was asked for on its command line. Without arguments,
// or with only the options Qt itself takes (-platform, -session …), it
// starts as usual; the other actions need no display and leave the running
// copy, its lock and its settings alone.
struct CommandLine {
    enum class Action { StartProgram, ExportCsv, VerifyJournal, Report, ShowHelp, Fault };
    enum class ReportFormat { Csv, Pdf };

    Action action = Action::StartProgram;
    std::optional<std::chrono::year_month_day> from;
    std::optional<std::chrono::year_month_day> to;
    // Report: the day, week or month that holds date (none: today), written
    // to reportFile (empty: the CSV to the output).
    ReportPeriod::Kind period = ReportPeriod::Kind::Day;
    std::optional<std::chrono::year_month_day> date;
    ReportFormat format = ReportFormat::Csv;
    QString reportFile;
    // Why the command line cannot be followed, in German (Fault).
    QString fault;
};

// Exit codes of the actions.
inline constexpr int kExitDone = 0;
// The journal cannot be read, or the output not written.
inline constexpr int kExitUnreadable = 1;
// --verify-journal: a row does not match its check value.
inline constexpr int kExitJournalChanged = 1;
inline constexpr int kExitBadCommandLine = 2;
// --verify-journal: no journal, none with rows, or one that cannot be read.
inline constexpr int kExitNotCheckable = 3;

// arguments: the program's own first, as QCoreApplication::arguments().
CommandLine ParseCommandLine(const QStringList &arguments);

class SettingsStore;

// Carries out an action other than the start, writing to out and err as they
// are (bytes, no line-end translation), and returns the exit code. A report
// reads the hall's name and the warning level from settings, if given.
int RunCommandLine(const CommandLine &command, const QString &programName, const std::filesystem::path &journal,
                   std::ostream &out, std::ostream &err, SettingsStore *settings = nullptr);
