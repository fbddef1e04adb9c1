#include "app/CommandLine.h"

#include "app/ReportPdf.h"
#include "journal/JournalCheck.h"
#include "journal/JournalCsv.h"
#include "journal/JournalPath.h"
#include "journal/JournalReader.h"
#include "journal/JournalReasons.h"
#include "report/HallReportMaker.h"
#include "report/ReportCsv.h"
#include "report/ReportFile.h"
#include "settings/AdvancedSettings.h"

#include <QCommandLineParser>

#include <sstream>

namespace {

using namespace std::chrono;

QString DateText(year_month_day date)
{
    return QString::asprintf("%04d-%02u-%02u", static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                             static_cast<unsigned>(date.day()));
}

CommandLine Fault(const QString &why)
{
    CommandLine command;
    command.action = CommandLine::Action::Fault;
    command.fault = why;
    return command;
}

bool ReadDate(const QCommandLineParser &parser, const QString &option, std::optional<year_month_day> &date,
              QString &fault)
{
    if (!parser.isSet(option))
        return true;
    year_month_day read;
    std::string error;
    if (!ParseJournalDate(parser.value(option).toStdString(), read, error)) {
        fault = QString::fromStdString(error);
        return false;
    }
    date = read;
    return true;
}

std::string HelpText(const QString &programName, const std::filesystem::path &journal)
{
    const QString where = journal.empty() ? QStringLiteral("(kein Ordner für Benutzerdaten)")
                                          : QString::fromStdString(Utf8Path(journal));
    return QStringLiteral(
               "Aufruf: %1 [--export-csv [--from JJJJ-MM-TT] [--to JJJJ-MM-TT] | --verify-journal]\n"
               "       %1 --report day|week|month [--date JJJJ-MM-TT] [--pdf DATEI|--csv DATEI]\n"
               "\n"
               "Ohne Optionen startet der Besucherzähler mit seinen Fenstern.\n"
               "\n"
               "Optionen:\n"
               "  --export-csv        Gibt das Tagesjournal als CSV auf der Standardausgabe aus\n"
               "                      (UTF-8 mit BOM, Felder durch „;“ getrennt, Zeilenenden CRLF)\n"
               "                      und endet. Braucht keinen Bildschirm und geht auch, während\n"
               "                      das Programm läuft.\n"
               "  --from JJJJ-MM-TT   Nur Einträge ab diesem Tag (Ortszeit).\n"
               "  --to JJJJ-MM-TT     Nur Einträge bis zu diesem Tag, einschließlich.\n"
               "  --verify-journal    Prüft die Prüfwerte des Tagesjournals und nennt den ersten\n"
               "                      Eintrag, der nicht passt; auch, während das Programm läuft.\n"
               "  --report ZEITRAUM   Schreibt den Bericht über einen Tag (day), eine Woche von\n"
               "                      Montag bis Sonntag (week) oder einen Kalendermonat (month)\n"
               "                      und endet; ohne --pdf und --csv als CSV auf die\n"
               "                      Standardausgabe. Braucht keinen Bildschirm und geht auch,\n"
               "                      während das Programm läuft.\n"
               "  --date JJJJ-MM-TT   Der Tag des Berichts, oder ein Tag seiner Woche oder seines\n"
               "                      Monats; ohne: heute.\n"
               "  --pdf DATEI         Schreibt den Bericht als PDF in die Datei.\n"
               "  --csv DATEI         Schreibt den Bericht als CSV in die Datei.\n"
               "  -h, --help          Zeigt diese Hilfe.\n"
               "\n"
               "Rückgabewerte:\n"
               "  0  ausgeführt; bei --verify-journal: das Tagesjournal ist unverändert\n"
               "  1  das Tagesjournal lässt sich nicht lesen, oder die Ausgabe oder der Bericht\n"
               "     nicht schreiben; bei --verify-journal: ein Eintrag wurde verändert, gelöscht\n"
               "     oder eingefügt\n"
               "  2  fehlerhafter Aufruf: unbekannte Option, ungültiges Datum, Zeitraum rückwärts,\n"
               "     unbekannter Berichtszeitraum\n"
               "  3  bei --verify-journal: kein Tagesjournal, keines mit Einträgen, oder es lässt\n"
               "     sich nicht lesen\n"
               "\n"
               "Das Tagesjournal: %2\n")
        .arg(programName, where)
        .toStdString();
}

int VerifyJournal(const QString &programName, const std::filesystem::path &journal, std::ostream &out,
                  std::ostream &err)
{
    JournalCheck check;
    if (journal.empty())
        check.problem = "Es gibt keinen Ordner für Benutzerdaten und damit kein Tagesjournal.";
    else
        check = CheckJournal(journal);
    const std::string text = JournalCheckText(check);
    switch (check.outcome) {
    case JournalCheck::Outcome::Unchanged:
        out << text << "\n" << std::flush;
        return kExitDone;
    case JournalCheck::Outcome::Changed:
        out << text << "\n" << std::flush;
        return kExitJournalChanged;
    case JournalCheck::Outcome::NotCheckable:
        break;
    }
    err << programName.toStdString() << ": " << text << "\n" << std::flush;
    return kExitNotCheckable;
}

CommandLine ReportCommand(const QCommandLineParser &parser, const QString &exportCsv, const QString &report,
                          const QString &date, const QString &pdf, const QString &csv)
{
    if (parser.isSet(exportCsv) || parser.isSet(QStringLiteral("from")) || parser.isSet(QStringLiteral("to")))
        return Fault(QStringLiteral("--report gilt nicht zusammen mit --export-csv, --from oder --to."));
    if (parser.isSet(pdf) && parser.isSet(csv))
        return Fault(QStringLiteral("--pdf und --csv schließen einander aus: ein Bericht, eine Datei."));
    CommandLine command;
    command.action = CommandLine::Action::Report;
    const QString period = parser.value(report);
    if (period == QLatin1String("day"))
        command.period = ReportPeriod::Kind::Day;
    else if (period == QLatin1String("week"))
        command.period = ReportPeriod::Kind::Week;
    else if (period == QLatin1String("month"))
        command.period = ReportPeriod::Kind::Month;
    else
        return Fault(QStringLiteral("Unbekannter Zeitraum „%1“ für --report: erwartet wird day, week oder month.")
                         .arg(period));
    QString fault;
    if (!ReadDate(parser, date, command.date, fault))
        return Fault(fault);
    for (const QString &option : {pdf, csv}) {
        if (!parser.isSet(option))
            continue;
        command.reportFile = parser.value(option);
        command.format = option == pdf ? CommandLine::ReportFormat::Pdf : CommandLine::ReportFormat::Csv;
        if (command.reportFile.isEmpty())
            return Fault(QStringLiteral("Nach --%1 muss eine Datei folgen.").arg(option));
    }
    return command;
}

// The report's settings, read only: the hall's name and the warning level.
ReportOptions ReportSettings(SettingsStore *settings)
{
    ReportOptions options;
    if (!settings || !settings->OpenKey(false))
        return options;
    QStringList bad;
    const AdvancedSettings advanced = ReadAdvancedSettings(*settings, bad);
    if (const QString hall = ReportHallName(advanced); !hall.isEmpty())
        options.hall = hall.toStdString();
    options.warnPercent = advanced.WarnPercent;
    settings->CloseKey();
    return options;
}

ReportPeriod PeriodOf(const CommandLine &command)
{
    const year_month_day date = command.date ? *command.date : LocalTimeAt(system_clock::now()).date;
    switch (command.period) {
    case ReportPeriod::Kind::Week:
        return WeekPeriod(date);
    case ReportPeriod::Kind::Month:
        return MonthPeriod(date);
    case ReportPeriod::Kind::Day:
    case ReportPeriod::Kind::Days:
        break;
    }
    return DayPeriod(date);
}

int RunReport(const CommandLine &command, const std::string &program, const std::filesystem::path &journal,
              std::ostream &out, std::ostream &err, SettingsStore *settings)
{
    const ReportPeriod period = PeriodOf(command);
    ReportRows rows;
    if (!journal.empty()) {
        try {
            rows = ReadReportRows(JournalReader(journal), period);
        } catch (const JournalError &error) {
            err << program << ": " << error.what() << "\n" << std::flush;
            return kExitUnreadable;
        }
    }
    const HallReport report = MakeHallReport(rows, period, ReportSettings(settings));
    if (command.reportFile.isEmpty()) {
        WriteReportCsv(out, report);
        out.flush();
        if (out)
            return kExitDone;
        err << program << ": Die Ausgabe lässt sich nicht schreiben.\n" << std::flush;
        return kExitUnreadable;
    }
    const std::filesystem::path file(command.reportFile.toStdU16String());
    std::string problem;
    if (command.format == CommandLine::ReportFormat::Pdf) {
        const std::string check = journal.empty() ? std::string() : JournalCheckText(CheckJournal(journal));
        problem = WriteReportPdf(report, check, file);
    } else {
        std::ostringstream csv;
        WriteReportCsv(csv, report);
        problem = SaveReportFile(file, csv.str());
    }
    if (problem.empty())
        return kExitDone;
    err << program << ": Der Bericht lässt sich nicht nach " << QuotedPath(file) << " schreiben: " << problem
        << ".\n" << std::flush;
    return kExitUnreadable;
}

} // namespace

CommandLine ParseCommandLine(const QStringList &arguments)
{
    if (arguments.size() <= 1)
        return {};
    QCommandLineParser parser;
    // Qt's own options are single-dash words; ours may be written so too.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QString exportCsv = QStringLiteral("export-csv");
    const QString verifyJournal = QStringLiteral("verify-journal");
    const QString from = QStringLiteral("from");
    const QString to = QStringLiteral("to");
    const QString help = QStringLiteral("help");
    const QString report = QStringLiteral("report");
    const QString date = QStringLiteral("date");
    const QString pdf = QStringLiteral("pdf");
    const QString csv = QStringLiteral("csv");
    parser.addOption({exportCsv, {}});
    parser.addOption({verifyJournal, {}});
    parser.addOption({from, {}, QStringLiteral("JJJJ-MM-TT")});
    parser.addOption({to, {}, QStringLiteral("JJJJ-MM-TT")});
    parser.addOption({report, {}, QStringLiteral("ZEITRAUM")});
    parser.addOption({date, {}, QStringLiteral("JJJJ-MM-TT")});
    parser.addOption({pdf, {}, QStringLiteral("DATEI")});
    parser.addOption({csv, {}, QStringLiteral("DATEI")});
    parser.addOption({{QStringLiteral("h"), QStringLiteral("?"), help}, {}});
    // Those that QGuiApplication takes for itself; a session manager starts
    // the program again with -session.
    for (const char *name : {"platform", "platformpluginpath", "platformtheme", "plugin", "display", "session",
                             "style", "stylesheet", "qwindowgeometry", "qwindowtitle", "qwindowicon"}) {
        QCommandLineOption qt(QString::fromLatin1(name), {}, QStringLiteral("value"));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }
    for (const char *name : {"reverse", "widgetcount"}) {
        QCommandLineOption qt(QString::fromLatin1(name));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }

    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            const QString &name = unknown.constFirst();
            return Fault(QStringLiteral("Unbekannte Option „%1%2“.")
                             .arg(name.size() > 1 ? QStringLiteral("--") : QStringLiteral("-"), name));
        }
        return Fault(QStringLiteral("Fehlerhafter Aufruf: Nach --from, --to und --date muss ein Datum folgen "
                                    "(JJJJ-MM-TT), nach --report der Zeitraum (day, week oder month), nach --pdf "
                                    "und --csv eine Datei; --export-csv, --verify-journal und --help nehmen keinen "
                                    "Wert."));
    }
    if (parser.isSet(help)) {
        CommandLine command;
        command.action = CommandLine::Action::ShowHelp;
        return command;
    }
    if (!parser.positionalArguments().isEmpty())
        return Fault(QStringLiteral("Unerwartetes Argument „%1“.").arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(verifyJournal)) {
        if (parser.isSet(exportCsv) || parser.isSet(from) || parser.isSet(to) || parser.isSet(report))
            return Fault(QStringLiteral("--verify-journal steht allein, ohne --export-csv, --from, --to und --report."));
        CommandLine command;
        command.action = CommandLine::Action::VerifyJournal;
        return command;
    }
    if (parser.isSet(report))
        return ReportCommand(parser, exportCsv, report, date, pdf, csv);
    if (parser.isSet(date) || parser.isSet(pdf) || parser.isSet(csv))
        return Fault(QStringLiteral("--date, --pdf und --csv gelten nur zusammen mit --report."));
    if (!parser.isSet(exportCsv)) {
        if (parser.isSet(from) || parser.isSet(to))
            return Fault(QStringLiteral("--from und --to gelten nur zusammen mit --export-csv."));
        return {};
    }
    CommandLine command;
    command.action = CommandLine::Action::ExportCsv;
    QString fault;
    if (!ReadDate(parser, from, command.from, fault) || !ReadDate(parser, to, command.to, fault))
        return Fault(fault);
    if (command.from && command.to && *command.from > *command.to)
        return Fault(QStringLiteral("Der Zeitraum läuft rückwärts: --from %1 liegt nach --to %2.")
                         .arg(DateText(*command.from), DateText(*command.to)));
    return command;
}

int RunCommandLine(const CommandLine &command, const QString &programName, const std::filesystem::path &journal,
                   std::ostream &out, std::ostream &err, SettingsStore *settings)
{
    switch (command.action) {
    case CommandLine::Action::StartProgram:
        return kExitDone;
    case CommandLine::Action::ShowHelp:
        out << HelpText(programName, journal) << std::flush;
        return kExitDone;
    case CommandLine::Action::Fault:
        err << programName.toStdString() << ": " << command.fault.toStdString() << "\n"
            << "Mehr mit: " << programName.toStdString() << " --help\n"
            << std::flush;
        return kExitBadCommandLine;
    case CommandLine::Action::VerifyJournal:
        return VerifyJournal(programName, journal, out, err);
    case CommandLine::Action::Report:
        return RunReport(command, programName.toStdString(), journal, out, err, settings);
    case CommandLine::Action::ExportCsv:
        break;
    }
    std::vector<JournalRow> rows;
    if (!journal.empty()) {
        try {
            rows = JournalReader(journal).Rows(command.from, command.to);
        } catch (const JournalError &error) {
            err << programName.toStdString() << ": " << error.what() << "\n" << std::flush;
            return kExitUnreadable;
        }
    }
    WriteJournalCsv(out, rows);
    out.flush();
    if (!out) {
        err << programName.toStdString() << ": Die Ausgabe lässt sich nicht schreiben.\n" << std::flush;
        return kExitUnreadable;
    }
    return kExitDone;
}
