#pragma once

#include "app/PontraApplication.h"
#include "dialogs/TFormAdvanced.h"
#include "serial/SimulatedSerialPorts.h"
#include "support/MemorySettingsStore.h"
#include "support/RecordingHelpViewer.h"
#include "support/RecordingNotificationArea.h"

#include <QStringList>
#include <QVariant>

#include <filesystem>
#include <functional>

#include <map>
#include <memory>
#include <set>

// The whole program with its windows, on in-memory settings and simulated
// serial ports.
class TestApplication {
public:
    explicit TestApplication(std::set<int> presentPorts = {});

    // Creates the windows (runs the main window's FormCreate).
    PontraApplication &Start();
    // Destroys the windows (runs the main window's FormDestroy).
    void Stop();

    // Values in the settings file before Start().
    void Store(std::initializer_list<std::pair<QString, QVariant>> values);
    // Opens "Erweiterte Einstellungen" from the settings dialog, acts in it,
    // and leaves the settings dialog with Cancel.
    void EditAdvanced(const std::function<void(TFormAdvanced &)> &inside);

    PontraApplication &app() { return *app_; }
    CounterState &state() { return app_->State; }
    Hall &hall() { return app_->hall; }
    TFormMain &main() { return *app_->forms.FormMain; }

    MemorySettingsStore settings;
    // The simulated ports present at start; set before Start().
    std::set<int> ports;
    std::unique_ptr<SimulatedSerialPorts> lines;
    // Ports that exist but refuse this user; set before Start().
    std::map<int, PortRefusal> refusedPorts;
    // The program file; its help file is this with ".chm".
    QString programPath = QStringLiteral("/opt/pontra/pontra");
    // The day journal's file; none by default.
    std::filesystem::path journalFile;
    // The wall clock; the system's by default.
    std::function<std::chrono::system_clock::time_point()> now;
    // Where the modules are looked for: the build folder's.
    QStringList moduleFolders{QStringLiteral(PONTRA_MODULE_BUILD_FOLDER)};
    std::shared_ptr<RecordingHelpViewer::Record> help = std::make_shared<RecordingHelpViewer::Record>();
    // Where the warning about a missing help viewer came.
    QStringList helpWarnings;
    // The notification area of the main window's tray icon.
    std::shared_ptr<RecordingNotificationArea::Record> tray = std::make_shared<RecordingNotificationArea::Record>();
    // The errors shown, recorded here; set false before Start() to have them
    // shown as the program shows them.
    // Watched while the program runs, as the program watches them.
    TerminationSignals termination;
    bool recordErrors = true;
    QStringList errors;
    // The notices shown.
    QStringList notices;
    // The questions asked, and the answer each gets.
    QStringList questions;
    bool answer = false;

private:
    std::unique_ptr<PontraApplication> app_;
};

// The journal's rows as the export prints them, each without its time:
// "source;change;count".
QStringList ExportedRows(const std::filesystem::path &journal);

// Runs action as soon as the event loop runs, e.g. inside a dialog's exec().
void WhenIdle(std::function<void()> action);
