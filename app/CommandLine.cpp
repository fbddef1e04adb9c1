#include "app/CommandLine.h"

#include "journal/JournalCheck.h"
#include "journal/JournalCsv.h"
#include "journal/JournalPath.h"
#include "journal/JournalReader.h"

#include <QCommandLineParser>


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
               "  -h, --help          Zeigt diese Hilfe.\n"
               "\n"
               "Rückgabewerte:\n"
               "  0  ausgeführt; bei --verify-journal: das Tagesjournal ist unverändert\n"
               "  1  das Tagesjournal lässt sich nicht lesen (oder die Ausgabe nicht schreiben);\n"
               "     bei --verify-journal: ein Eintrag wurde verändert, gelöscht oder eingefügt\n"
               "  2  fehlerhafter Aufruf: unbekannte Option, ungültiges Datum, Zeitraum rückwärts\n"
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
    parser.addOption({exportCsv, {}});
    parser.addOption({verifyJournal, {}});
    parser.addOption({from, {}, QStringLiteral("JJJJ-MM-TT")});
    parser.addOption({to, {}, QStringLiteral("JJJJ-MM-TT")});
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
        return Fault(QStringLiteral("Fehlerhafter Aufruf: Nach --from und --to muss ein Datum folgen (JJJJ-MM-TT), "
                                    "--export-csv, --verify-journal und --help nehmen keinen Wert."));
    }
    if (parser.isSet(help)) {
        CommandLine command;
        command.action = CommandLine::Action::ShowHelp;
        return command;
    }
    if (!parser.positionalArguments().isEmpty())
        return Fault(QStringLiteral("Unerwartetes Argument „%1“.").arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(verifyJournal)) {
        if (parser.isSet(exportCsv) || parser.isSet(from) || parser.isSet(to))
            return Fault(QStringLiteral("--verify-journal steht allein, ohne --export-csv, --from und --to."));
        CommandLine command;
        command.action = CommandLine::Action::VerifyJournal;
        return command;
    }
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
                   std::ostream &out, std::ostream &err)
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
