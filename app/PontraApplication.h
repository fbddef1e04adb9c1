#pragma once

#include "app/Forms.h"
#include "app/TFormMain.h"
#include "desktop/ProgramModule.h"
#include "desktop/TerminationSignals.h"
#include "hall/CounterMirror.h"
#include "hall/CounterState.h"
#include "hall/Hall.h"
#include "link/BrokerLampClient.h"
#include "settings/AdvancedSettings.h"
#include "widgets/HelpViewerLink.h"

#include <memory>
#include <optional>

class DailyResetTimer;
class DayChartWindow;
class DayJournal;
class FeedPublisher;
class FeedService;
struct FeedSnapshot;
class HallLink;
class LampControl;
class LampLines;
struct DoorLinkSettings;
class TFormAdvanced;

// Creates the program's windows once, in their fixed order (the dialogs on
// first use), wires the keys and the display switch between them, and
// destroys them at the end: the main window first, whose FormDestroy stores
// the settings. A termination signal ends the run as the operator's "Ja"
// does, without the question.
//
// It owns the hall and is the one place where the hall's listeners are made
// and registered: the counter state's copy first, then the windows, then
// the journal. Once all of them listen, the start is applied, so that each
// hears it.
class PontraApplication {
public:
    // termination, when given, ends the run once it reports a signal.
    explicit PontraApplication(MainWindowServices services, TerminationSignals *termination = nullptr);
    ~PontraApplication();

    PontraApplication(const PontraApplication &) = delete;
    PontraApplication &operator=(const PontraApplication &) = delete;

    // Declared first: it outlives every listener.
    Hall hall;
    CounterState State;
    Forms forms;
    // As read at start, or as last set in "Erweiterte Einstellungen".
    AdvancedSettings Advanced;

    DayJournal &Journal() { return *journal_; }
    DailyResetTimer &DailyReset() { return *dailyReset_; }
    FeedService &Feed() { return *feed_; }
    // What the live feed tells now.
    const FeedSnapshot &FeedState() const;
    HallLink &Link() { return *link_; }
    // The stop lamp; null while none is used.
    LampControl *Lamp() { return lamp_.get(); }
    // The lamp's own port; null while it has none.
    LampLines *LampPort() { return lampLines_.get(); }

    // Stores the advanced settings and puts them into effect; on OK in
    // "Erweiterte Einstellungen".
    void ApplyAdvancedSettings(const AdvancedSettings &settings);

private:
    // The bad keys, as "Name=value".
    QStringList ReadAdvanced();
    // Tells the forms how to build each dialog when it is first used.
    void MakeDialogsOnFirstUse(const QString &journalFile);
    void EditAdvancedSettings();
    void StartCounting();
    // Whether the journal may delete at once what its keeping time lets go.
    // A keeping time shorter than the last one agreed to, which would delete
    // rows, first asks the operator, once the program runs.
    bool JournalExpiryAgreed();
    // The display and the main window's digits follow the warning share.
    void ShowOccupancyWarning();
    // Starts the live feed afresh as the settings say, or stops it; a key
    // that is needed and missing is made and stored.
    void StartFeed();
    // The name of the first value that could not be stored; empty when all were.
    QString Store(const SettingValues &values);
    // The barriers' debounce and health limits, from Advanced.
    void ApplyLineRules();
    // Makes the stop lamp when the settings use one, or ends it, and puts
    // its rules and outputs into effect.
    void ApplyLamp();
    // The lamp's topics on the broker, as the settings say; started anew
    // only when they changed.
    void ApplyBrokerLamp();
    std::chrono::system_clock::time_point Now() const;
    DoorLinkSettings LinkSettings(const AdvancedSettings &settings) const;
    BrokerLampSettings LampSettings(const AdvancedSettings &settings) const;
    QString LinkStateText() const;
    void ShowLinkState();
    // The day chart, made on first use; null where its module cannot be
    // loaded.
    DayChartWindow *DayChart();

    SettingsStore &settings_;
    std::function<std::chrono::system_clock::time_point()> now_;
    // What the entry for the start at login runs.
    QString programPath_;
    TerminationSignals *termination_;
    std::function<void(const QString &)> showError_;
    std::function<void(const QString &)> showNotice_;
    std::function<bool(const QString &)> ask_;
    // A keeping time agreed to by a start that deleted nothing, to store.
    std::optional<int> agreeAtEnd_;
    CounterMirror mirror_{State};
    // The parts loaded when they are first needed.
    ProgramModule chartModule_;
    ProgramModule feedModule_;
    ProgramModule linkModule_;
    // Declared before the windows: set up before them, closed after them.
    std::unique_ptr<HelpViewerLink> help_;
    std::unique_ptr<DayJournal> journal_;
    // The server outlives its publisher, which the hall tells.
    std::unique_ptr<FeedService> feed_;
    std::unique_ptr<FeedPublisher> publisher_;
    // The door's totals for the door link, beside the journal.
    std::filesystem::path doorStateFile_;
    std::unique_ptr<HallLink> link_;
    std::unique_ptr<LampControl> lamp_;
    // The lamp's topics, made on first use; with the settings last started.
    std::unique_ptr<BrokerLampClient> brokerLamp_;
    BrokerLampSettings brokerLampSettings_;
    // The lamp's own port.
    std::unique_ptr<LampLines> lampLines_;
    // The barriers' port's devices, for the lamp's port too.
    SerialDeviceFactory serialDevices_;
    // Belongs to the main window, which keeps it above itself.
    DayChartWindow *chart_ = nullptr;
    // Declared before the main window so that it outlives it.
    std::unique_ptr<TFormMonitor2> monitor_;
    std::unique_ptr<TFormMain> main_;
    std::unique_ptr<DailyResetTimer> dailyReset_;
};
