#include "app/CommandLine.h"
#include "app/PontraApplication.h"
#include "desktop/SingleInstance.h"
#include "desktop/TerminationSignals.h"
#include "desktop/WaylandFallback.h"
#include "dialogs/LineSimulatorWindow.h"
#include "dialogs/WindowPlacement.h"
#include "files/AccountHome.h"
#include "journal/JournalPath.h"
#include "serial/PlatformSerial.h"
#include "serial/SimulatedSerialPorts.h"
#include "settings/QSettingsStore.h"
#include "widgets/Artwork.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTranslator>

#include <cstdlib>
#include <iostream>
#include <memory>

#ifdef _WIN32
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

// The program file's name without folder and extension: the settings file,
// the help file, the single-copy lock and the journal's folder are named
// after it, so that two copies under different names keep apart.
QString ProgramName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

std::filesystem::path ProgramJournal()
{
#ifdef _WIN32
    // %LOCALAPPDATA%\Vendaro\<program>: this computer's, not roamed to others.
    const QString local = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (local.isEmpty())
        return {};
    return (std::filesystem::path(local.toStdWString()) / "Vendaro" / ProgramName().toStdWString() / "journal.sqlite3")
        .make_preferred();
#else
    // Without $HOME (a service, a cron job) the account's home folder, as the settings take it.
    const std::string home = HomeFolder().string();
    return JournalFile(ProgramName().toStdString(), std::getenv("XDG_DATA_HOME"),
                       home.empty() ? nullptr : home.c_str());
#endif
}

// The command line's actions need no display and run beside a running copy:
// no lock, no settings, no window system.
int RunCommand(int argc, char *argv[], const CommandLine &command)
{
    // A report's PDF takes the fonts of Qt's GUI, on a platform without a
    // display where there may be none.
    const bool pdf = command.action == CommandLine::Action::Report
                     && command.format == CommandLine::ReportFormat::Pdf && !command.reportFile.isEmpty();
#ifndef _WIN32
    if (pdf)
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    const std::unique_ptr<QCoreApplication> core =
        pdf ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
#ifdef _WIN32
    // A window program has no console of its own: its output goes to the
    // console it was started from, unless it is redirected already.
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (_fileno(stdout) < 0 || GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_UNKNOWN)
            std::freopen("CONOUT$", "w", stdout);
        if (_fileno(stderr) < 0 || GetFileType(GetStdHandle(STD_ERROR_HANDLE)) == FILE_TYPE_UNKNOWN)
            std::freopen("CONOUT$", "w", stderr);
    }
    // The CSV's CRLF line ends as they are, not doubled.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    QSettingsStore settings(ProgramName());
    return RunCommandLine(command, ProgramName(), ProgramJournal(), std::cout, std::cerr, &settings);
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine command = ParseCommandLine(arguments);
    if (command.action != CommandLine::Action::StartProgram)
        return RunCommand(argc, argv, command);

    const bool onXWayland = RunOnXWaylandIfWanted(argc, argv);
    QApplication app(argc, argv);
    if (onXWayland)
        qInfo("Wayland session: Pontra runs on XWayland (xcb), where its main window can stay on top and the "
              "display can choose its monitor. QT_QPA_PLATFORM=wayland asks for Wayland itself.");
    // Qt's own texts (file dialog, standard buttons, context menus) in German.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
    // Windows-era dialog font; Arial itself maps to Liberation Sans.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addPixmap(Artwork(QStringLiteral("pontra"), QSize(size, size)));
    QApplication::setWindowIcon(icon);
    // The display window must not keep the program alive once the main window closed.
    QApplication::setQuitOnLastWindowClosed(false);

    // From the first moment: a shutdown while the program starts ends it
    // cleanly too.
    TerminationSignals termination;

    const QString programPath = QCoreApplication::applicationFilePath();
    const QString programName = ProgramName();
    // One copy per user and program name: a second start brings the running
    // one's window forward instead of fighting over the port and the settings.
    SingleInstance instance(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation), programName);
    if (!instance.Claim()) {
        if (instance.AskRunningCopyToShow())
            return 0;
        if (!instance.ClaimUnanswered()) {
            qWarning("%s runs already and did not answer.", qPrintable(programName));
            return 0;
        }
    }
    QSettingsStore settings(programName);
    MainWindowServices services{
        .Settings = settings,
        .PortPresent = PlatformPortPresent,
        .RefusedPort = PlatformPortRefusal,
        .ProgramPath = programPath,
        .JournalFile = ProgramJournal(),
    };

    // PONTRA_SIMULATE=1 replaces the serial ports by simulated COM1 and COM2
    // with a window that opens and closes the barriers' contacts.
    std::unique_ptr<SimulatedSerialPorts> simulated;
    std::unique_ptr<LineSimulatorWindow> simulator;
    if (qEnvironmentVariableIntValue("PONTRA_SIMULATE") != 0) {
        simulated = std::make_unique<SimulatedSerialPorts>(std::set<int>{1, 2});
        services.PortPresent = [ports = simulated.get()](int port) { return ports->IsPresent(port); };
        services.RefusedPort = {};
        services.NewSerialDevice = simulated->Factory();
    }

    PontraApplication pontra(std::move(services), &termination);
    QObject::connect(pontra.forms.FormMain, &TFormMain::Closed, &app, &QApplication::quit, Qt::QueuedConnection);
    QObject::connect(&instance, &SingleInstance::ShowRequested, pontra.forms.FormMain, &TFormMain::BringToFront);
    pontra.forms.FormMain->show();
    if (simulated) {
        simulator = std::make_unique<LineSimulatorWindow>(*simulated, pontra.forms.FormMain);
        // The barriers' beams are free until the operator interrupts one.
        const auto followLevels = [&pontra, window = simulator.get()] {
            window->SetEventLevels(pontra.State.ContaktIn, pontra.State.ContaktOut);
        };
        followLevels();
        QObject::connect(pontra.forms.FormMain, &TFormMain::SettingsSaved, simulator.get(), followLevels);
        // Kept above the main window, but clear of the count it changes.
        simulator->adjustSize();
        PlaceBesideOrOver(simulator.get(), pontra.forms.FormMain->frameGeometry());
        simulator->show();
    }
    return app.exec();
}
