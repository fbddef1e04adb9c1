#include "app/PontraApplication.h"

#include "app/AfterFirstPaint.h"
#include "app/DailyResetTimer.h"
#include "app/FeedOnDemand.h"
#include "app/LampControl.h"
#include "chart/DayChartWindow.h"
#include "desktop/IdleInhibit.h"
#include "desktop/LoginStart.h"
#include "desktop/PlatformHelpViewer.h"
#include "dialogs/HelpViewerWarning.h"
#include "dialogs/LampPortHint.h"
#include "dialogs/OperatorMessageBox.h"
#include "dialogs/TFDlgYesNo.h"
#include "dialogs/TForm2.h"
#include "dialogs/TFormAdvanced.h"
#include "dialogs/TFormInfo.h"
#include "display/TFormMonitor2.h"
#include "feed/FeedPublisher.h"
#include "feed/FeedToken.h"
#include "feed/HostAddresses.h"
#include "hall/LocalTime.h"
#include "journal/DayJournal.h"
#include "journal/JournalCheck.h"
#include "journal/JournalPath.h"
#include "journal/JournalReader.h"
#include "link/HallLink.h"
#include "serial/LampLines.h"
#include "serial/TComPort.h"
#include "widgets/ApplicationEvents.h"
#include "widgets/TImage.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QSessionManager>
#include <QTimer>

#include <iostream>
#include <tuple>

namespace {

// The journal's keeping time last agreed to; the program writes it.
const QString kJournalDaysAgreed = QStringLiteral("JournalDaysAgreed");

} // namespace

PontraApplication::PontraApplication(MainWindowServices services, TerminationSignals *termination)
    : settings_(services.Settings), now_(services.Now), programPath_(services.ProgramPath), termination_(termination),
      chartModule_(QStringLiteral("pontra-chart"), QStringLiteral("Der Tagesverlauf"), services.ModuleFolders),
      feedModule_(QStringLiteral("pontra-feed"), QStringLiteral("Die Live-Anzeige im Browser"), services.ModuleFolders),
      linkModule_(QStringLiteral("pontra-link"), QStringLiteral("Die Verbindung zu den anderen Eingängen"),
                  services.ModuleFolders)
{
    if (!services.ShowError) {
        // Also at shutdown, while the main window is being destroyed.
        services.ShowError = [this](const QString &message) { OperatorMessageBox(forms.FormMain, message).exec(); };
    }
    if (!services.ShowNotice) {
        // The program runs on while the box is up.
        services.ShowNotice = [this](const QString &message) {
            auto *box = new OperatorMessageBox(forms.FormMain, message, QMessageBox::Warning);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->setModal(false);
            box->show();
        };
    }
    if (!services.Ask) {
        services.Ask = [this](const QString &question) {
            OperatorMessageBox box(forms.FormMain, question, QMessageBox::Question);
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.button(QMessageBox::Yes)->setText(QStringLiteral("&Ja"));
            box.button(QMessageBox::No)->setText(QStringLiteral("&Nein"));
            box.setDefaultButton(QMessageBox::No);
            return box.exec() == QMessageBox::Yes;
        };
    }
    showError_ = services.ShowError;
    showNotice_ = services.ShowNotice;
    ask_ = services.Ask;
    // The copy the windows read follows the hall from the first change on,
    // the capacity read with the settings included.
    hall.AddListener(&mirror_);
    const QStringList badKeys = ReadAdvanced();

    // Once, before the first window: a missing viewer is reported first.
    help_ = std::make_unique<HelpViewerLink>(
        services.NewHelpViewer ? services.NewHelpViewer() : NewPlatformHelpViewer(),
        services.WarnNoHelpViewer ? services.WarnNoHelpViewer : [this] { ShowHelpViewerWarning(forms.FormMain); });
    services.Help = help_.get();
    const std::filesystem::path journalFile = services.JournalFile;
    journal_ = std::make_unique<DayJournal>(hall, journalFile, showNotice_);
    // Its notice as the server's own: over the main window once it shows.
    feed_ = std::make_unique<FeedOnDemand>(feedModule_, [this](const QString &notice) {
        QTimer::singleShot(0, main_.get(), [this, notice] { showNotice_(notice); });
    });
    if (!journalFile.empty())
        doorStateFile_ = journalFile.parent_path() / "door-state.json";
    const auto newIdleInhibit = services.NewIdleInhibit;
    serialDevices_ = services.NewSerialDevice;
    main_ = std::make_unique<TFormMain>(State, hall, forms, std::move(services));
    forms.FormMain = main_.get();
    ApplyLineRules();
    // The barriers come first: a port chosen for them is taken from the lamp.
    QObject::connect(main_.get(), &TFormMain::PortChosen, main_.get(), [this](int port) {
        if (lampLines_ && port != 0 && lampLines_->Port() == port) {
            lampLines_.reset();
            QTimer::singleShot(0, main_.get(), [this, port] { showNotice_(LampPortTakenHint(port)); });
        }
    });
    // The barriers' port may have been opened or lost its chance with F2.
    QObject::connect(main_.get(), &TFormMain::SettingsSaved, main_.get(), [this] {
        if (lamp_)
            lamp_->SetPortClosed(!main_->ComPort->Connected());
    });
    if (!badKeys.isEmpty()) {
        // Once the program runs, as the notice of a missing port.
        QTimer::singleShot(0, main_.get(), [this, badKeys] { showNotice_(BadAdvancedSettingsNotice(badKeys)); });
    }
    ApplicationEvents::Instance().SetMainWindow(main_.get());
    monitor_ = std::make_unique<TFormMonitor2>(State);
    forms.FormMonitor2 = monitor_.get();
    monitor_->SetIdleInhibit(newIdleInhibit ? newIdleInhibit() : NewPlatformIdleInhibit());
    MakeDialogsOnFirstUse(QString::fromStdString(Utf8Path(journalFile)));
    forms.MakeDayChart = [this] { return DayChart(); };

    monitor_->SetTVSwitch(main_->ImageTVAus, main_->ImageTVEin);
    monitor_->SetOperatorWindow(main_.get());
    // The keys act in the display window too, also while the main window is hidden.
    monitor_->addActions(main_->KeyActions());
    ShowOccupancyWarning();

    // Shutdown and logout: the settings are stored on the way out.
    if (termination) {
        QObject::connect(termination, &TerminationSignals::Received, main_.get(), &TFormMain::EndWithoutQuestion);
        // One that came while the windows were being made.
        if (termination->Arrived())
            QTimer::singleShot(0, main_.get(), &TFormMain::EndWithoutQuestion);
    }
#ifndef QT_NO_SESSIONMANAGER
    // A session manager that ends the session may not wait for the end.
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, main_.get(),
                     [main = main_.get()](QSessionManager &) { main->WriteSettings(true); }, Qt::DirectConnection);
#endif
    StartCounting();
    // Opening the journal's database would cost the start: its writer
    // begins once the main window is on the screen, with what came before.
    AfterFirstPaint::Run(main_.get(), [this] { journal_->Begin(); });
}

PontraApplication::~PontraApplication()
{
    dailyReset_.reset();
    if (agreeAtEnd_)
        Store({{kJournalDaysAgreed, *agreeAtEnd_}});
    // The settings are stored and the port closed while every listener still
    // hears a last change; then the windows go, and the journal writes its
    // last rows.
    main_->FormDestroy();
    // Its lines drop as the program ends; its outputs show the windows.
    lamp_.reset();
    lampLines_.reset();
    brokerLamp_.reset();
    // Its event streams end here, with the clients still connected.
    hall.RemoveListener(publisher_.get());
    feed_->Stop();
    for (HallListener *window : std::initializer_list<HallListener *>{main_.get(), monitor_.get(), chart_})
        hall.RemoveListener(window);
    hall.RemoveListener(link_.get());
    link_.reset();
    main_.reset();
    forms = {};
    const QString unwritten = journal_->Stop();
    if (!unwritten.isEmpty()) {
        // Also in the log of a shutdown, which no box holds up.
        std::cerr << unwritten.toStdString() << std::endl;
        if (!termination_ || !termination_->Arrived())
            showError_(unwritten);
    }
}

void PontraApplication::MakeDialogsOnFirstUse(const QString &journalFile)
{
    // The dialogs belong to the main window, which keeps them above it.
    // The settings dialog offers the ports found at start, a stored one
    // that was missing then among them.
    forms.Form2.SetMaker([this, missingPort = main_->MissingStoredPort()] {
        auto *dialog = new TForm2(State, *main_->ComPort, main_.get(), missingPort);
        QObject::connect(dialog, &TForm2::AdvancedRequested, main_.get(), [this] { EditAdvancedSettings(); });
        return dialog;
    });
    forms.FDlgYesNo.SetMaker([this] { return new TFDlgYesNo(main_.get()); });
    forms.FormInfo.SetMaker([this] {
        auto *info = new TFormInfo(main_.get());
        // The chart opens once the information window is gone.
        QObject::connect(info, &TFormInfo::DayChartRequested, main_.get(), &TFormMain::DayChartClick,
                         Qt::QueuedConnection);
        return info;
    });
    forms.FormAdvanced.SetMaker([this, journalFile] {
        auto *advanced = new TFormAdvanced(&forms.Form2());
        advanced->SetJournalFile(journalFile);
        advanced->SetFoundPorts(State.AvailablePorts);
        advanced->SetLinkState(LinkStateText());
        // The button is offered only for the lamp in effect, which exists then.
        QObject::connect(advanced, &TFormAdvanced::LampTestRequested, main_.get(), [this] {
            if (lamp_)
                lamp_->RunTest();
        });
        return advanced;
    });
}

const FeedSnapshot &PontraApplication::FeedState() const
{
    return publisher_->Snapshot();
}

std::chrono::system_clock::time_point PontraApplication::Now() const
{
    return now_ ? now_() : std::chrono::system_clock::now();
}

QStringList PontraApplication::ReadAdvanced()
{
    QStringList bad;
    if (settings_.OpenKey(false)) {
        Advanced = ReadAdvancedSettings(settings_, bad);
        settings_.CloseKey();
    }
    return bad;
}

void PontraApplication::StartCounting()
{
    // The chart listens from when it is made.
    for (HallListener *listener : std::initializer_list<HallListener *>{main_.get(), monitor_.get()})
        hall.AddListener(listener);
    journal_->SetKeepDays(Advanced.JournalDays, JournalExpiryAgreed());
    publisher_ = std::make_unique<FeedPublisher>(*feed_, hall.Count(), hall.Capacity(), Advanced.WarnPercent);
    hall.AddListener(publisher_.get());
    // The barriers' warnings as the operator reads them, for the feed too.
    QObject::connect(main_.get(), &TFormMain::WarningsChanged, main_.get(), [this] {
        std::vector<std::string> warnings;
        for (const QString &warning : main_->Warnings())
            warnings.push_back(warning.toStdString());
        publisher_->SetWarnings(std::move(warnings), main_->EntryBlocked(), main_->ExitBlocked());
    });
    StartFeed();
    link_ = std::make_unique<HallLink>(
        hall, [this] { return Now(); }, showNotice_,
        [this](DoorLinkCallbacks callbacks, QString &problem) -> std::unique_ptr<DoorLinkClient> {
            const auto make = reinterpret_cast<NewDoorLinkClient>(linkModule_.Function(kNewDoorLinkClient, problem));
            return make ? std::unique_ptr<DoorLinkClient>(make(std::move(callbacks))) : nullptr;
        });
    hall.AddListener(link_.get());
    QObject::connect(link_.get(), &HallLink::ConnectionChanged, main_.get(), [this] { ShowLinkState(); });
    ShowLinkState();

    const auto now = Now();
    const LocalTime today = LocalTimeAt(now);
    HallEvent start{.source = HallSource::Start, .time = now};
    std::optional<std::chrono::year_month_day> lastReset;
    const bool linked = !Advanced.Broker.isEmpty() && link_->Start(LinkSettings(Advanced));
    if (linked) {
        // The doors' count, the door's own totals taken back.
        start.count = link_->Count();
        start.resumed = start.count != 0;
    }
    if (journal_->Running()) {
        try {
            const JournalReader journal(journal_->File());
            if (Advanced.ResumeCount && !linked) {
                const std::optional<JournalRow> last = journal.LastRow();
                if (last && last->Local().date == today.date) {
                    start.count = last->count;
                    start.resumed = true;
                }
            }
            if (Advanced.DailyReset)
                lastReset = journal.LastDailyReset();
        } catch (const JournalError &) {
            // The writer finds the same fault and tells the operator.
        }
    }
    hall.Apply(start);
    // After the start: a full hall taken over never opens the lamp on "go".
    ApplyLamp();

    DailyResetSchedule schedule(Advanced.DailyReset, lastReset);
    // Without a reset on record, a time already past today first comes
    // round tomorrow, as when the operator sets it.
    if (!lastReset)
        schedule.Change(Advanced.DailyReset, today);
    dailyReset_ = std::make_unique<DailyResetTimer>(hall, schedule, [this] { return Now(); });
    // One missed while the computer was off or asleep.
    dailyReset_->Check();
}

bool PontraApplication::JournalExpiryAgreed()
{
    const int days = Advanced.JournalDays;
    int agreed = AdvancedSettings().JournalDays;
    if (settings_.OpenKey(false)) {
        if (const auto stored = settings_.ReadInteger(kJournalDaysAgreed); stored && *stored > 0)
            agreed = *stored;
        settings_.CloseKey();
    }
    if (days < 1 || days == agreed)
        return true;
    JournalReader::Expiring expiring;
    if (days < agreed) {
        try {
            expiring = JournalReader(journal_->File()).ExpiringRows(days, LocalTimeAt(Now()).date);
        } catch (const JournalError &) {
            // The writer finds the same fault and tells the operator.
        }
    }
    if (expiring.rows == 0) {
        // Stored at the end, with the other settings: a start writes nothing.
        agreeAtEnd_ = days;
        return true;
    }
    const auto counted = [](std::int64_t number, const char *one, const char *many) {
        return QStringLiteral("%1 %2").arg(number).arg(QString::fromUtf8(number == 1 ? one : many));
    };
    const QString question =
        QStringLiteral("Das Tagesjournal soll seine Einträge nur noch %1 aufbewahren (JournalDays, bisher %2). "
                       "Dabei würden %3 von %4 gelöscht.\n\nJetzt löschen? Mit „Nein“ bleiben sie bis zum Ende "
                       "dieses Laufs, und beim nächsten Start fragt das Programm wieder.")
            .arg(counted(days, "Tag", "Tage"), counted(agreed, "Tag", "Tage"),
                 counted(expiring.rows, "Eintrag", "Einträge"), counted(expiring.days, "Tag", "Tagen"));
    // Over the main window once it shows.
    QTimer::singleShot(0, main_.get(), [this, days, question] {
        if (Advanced.JournalDays != days || !ask_(question))
            return;
        Store({{kJournalDaysAgreed, days}});
        journal_->SetKeepDays(days);
    });
    return false;
}

void PontraApplication::ShowOccupancyWarning()
{
    monitor_->SetOccupancyWarning(Advanced.WarnPercent, Advanced.ShowPlacesLeft);
    main_->SetWarnPercent(Advanced.WarnPercent);
    if (publisher_)
        publisher_->SetWarnPercent(Advanced.WarnPercent);
}

DoorLinkSettings PontraApplication::LinkSettings(const AdvancedSettings &settings) const
{
    DoorLinkSettings link;
    link.door = settings.Door.toStdString();
    link.hall = settings.HallName.toStdString();
    link.broker = settings.Broker.toStdString();
    link.user = settings.BrokerUser.toStdString();
    link.password = settings.BrokerPassword.toStdString();
    link.caFile = std::filesystem::path(settings.BrokerCaFile.toStdU16String());
    link.stateFile = doorStateFile_;
    return link;
}

BrokerLampSettings PontraApplication::LampSettings(const AdvancedSettings &settings) const
{
    const DoorLinkSettings link = LinkSettings(settings);
    BrokerLampSettings lamp;
    lamp.broker = link.broker;
    lamp.user = link.user;
    lamp.password = link.password;
    lamp.caFile = link.caFile;
    lamp.hall = link.hall;
    lamp.door = link.door;
    lamp.greenTopic = settings.LampTopicGreen.toStdString();
    lamp.redTopic = settings.LampTopicRed.toStdString();
    lamp.on = settings.LampOn.toStdString();
    lamp.off = settings.LampOff.toStdString();
    lamp.refresh = std::chrono::seconds(settings.LampRefreshSeconds);
    return lamp;
}

QString PontraApplication::LinkStateText() const
{
    return link_->Running() ? link_->State() : QStringLiteral("keine; dieser Eingang zählt allein.");
}

void PontraApplication::ShowLinkState()
{
    main_->ShowLinkDown(link_->Running() && !link_->Connected());
    if (TFormAdvanced *advanced = forms.FormAdvanced.IfMade())
        advanced->SetLinkState(LinkStateText());
}

void PontraApplication::ApplyLineRules()
{
    main_->SetLineRules(std::chrono::milliseconds(Advanced.DebounceMs), std::chrono::seconds(Advanced.BlockedSeconds),
                        Advanced.FlickerPerSecond);
}

void PontraApplication::ApplyLamp()
{
    const bool used = LampUsed(Advanced);
    const DoorLamp::Rules rules{.hysteresis = Advanced.LampHysteresis,
                                .warnPercent = Advanced.WarnPercent,
                                .redOnFault = Advanced.LampOnFault};
    if (!used) {
        lamp_.reset();
        lampLines_.reset();
        main_->ShowLamp(std::nullopt);
        publisher_->SetLamp(std::nullopt);
        ApplyBrokerLamp();
        return;
    }
    if (lamp_) {
        lamp_->SetRules(rules);
    } else {
        lamp_ = std::make_unique<LampControl>(hall, rules, [this] { return Now(); });
        lamp_->AddOutput([this](LampState state) {
            if (lampLines_)
                lampLines_->Show(state);
            if (brokerLamp_)
                brokerLamp_->ShowLamp(state);
            main_->ShowLamp(state);
            publisher_->SetLamp(state);
        });
    }
    lamp_->SetPortClosed(!main_->ComPort->Connected());
    ApplyBrokerLamp();

    int port = Advanced.LampPort;
    if (port != 0 && port == main_->ComPort->Port) {
        // As the operator sees it once the program runs.
        QTimer::singleShot(0, main_.get(), [this, port] { showNotice_(LampPortTakenHint(port)); });
        port = 0;
    }
    if (port == 0) {
        lampLines_.reset();
        return;
    }
    if (!lampLines_) {
        lampLines_ = std::make_unique<LampLines>(serialDevices_);
        lampLines_->OnTrouble = [this](int lost) {
            QTimer::singleShot(0, main_.get(), [this, lost] { showNotice_(LampPortTroubleHint(lost)); });
        };
    }
    lampLines_->SetRtsFull(Advanced.LampRtsMeaning == AdvancedSettings::RtsMeaning::Full);
    lampLines_->Show(lamp_->Shown());
    if (lampLines_->Port() != port)
        lampLines_->Open(port);
}

void PontraApplication::ApplyBrokerLamp()
{
    const BrokerLampSettings settings = LampSettings(Advanced);
    if (!lamp_ || settings.broker.empty() || (settings.greenTopic.empty() && settings.redTopic.empty())) {
        // Red on the topics it drove.
        if (brokerLamp_)
            brokerLamp_->Stop();
        return;
    }
    if (brokerLamp_ && brokerLamp_->Running() && settings == brokerLampSettings_)
        return;
    if (!brokerLamp_) {
        QString problem;
        const auto make = reinterpret_cast<NewBrokerLampClient>(linkModule_.Function(kNewBrokerLampClient, problem));
        if (!make) {
            if (!problem.isEmpty())
                QTimer::singleShot(0, main_.get(), [this, problem] { showNotice_(problem); });
            return;
        }
        brokerLamp_.reset(make());
    }
    brokerLamp_->ShowLamp(lamp_->Shown());
    brokerLampSettings_ = settings;
    // A broker's setting it cannot use is the door link's too, which names it.
    brokerLamp_->Start(settings);
}

void PontraApplication::EditAdvancedSettings()
{
    AdvancedSettings edited = Advanced;
    // The entry itself says whether it is on: the desktop's tools may have
    // changed it since.
    const bool loginStart = LoginStart::Enabled();
    TFormAdvanced &dialog = forms.FormAdvanced();
    dialog.SetLoginStart(loginStart, LoginStart::Place());
    dialog.SetOtherDoors(Advanced.HallName, link_->OtherDoors());
    // Opened over the settings dialog, whose port may not be saved yet.
    dialog.SetBarrierPort(forms.Form2().ChosenPort());
    // The link's module says; it is loaded here, where its settings are made.
    QString problem;
    const auto tls = reinterpret_cast<DoorLinkTlsAvailable>(linkModule_.Function(kDoorLinkTlsAvailable, problem));
    if (!problem.isEmpty())
        showNotice_(problem);
    dialog.SetTlsAvailable(tls && tls());
    if (!dialog.Edit(edited))
        return;
    ApplyAdvancedSettings(edited);
    const bool chosen = dialog.cbLoginStart->isChecked();
    if (chosen != loginStart) {
        const QString failed = LoginStart::Set(chosen, programPath_);
        if (!failed.isEmpty() && showError_)
            showError_(failed);
    }
}

void PontraApplication::ApplyAdvancedSettings(const AdvancedSettings &settings)
{
    // Stored at once: a crash later loses nothing.
    SettingValues values = AdvancedSettingValues(settings);
    // A keeping time the operator chose is one agreed to.
    const bool keepDaysChanged = settings.JournalDays != Advanced.JournalDays;
    if (keepDaysChanged && settings.JournalDays > 0) {
        values.append({kJournalDaysAgreed, settings.JournalDays});
        agreeAtEnd_.reset();
    }
    const QString failed = Store(values);
    if (keepDaysChanged)
        journal_->SetKeepDays(settings.JournalDays);
    if (settings.DailyReset != Advanced.DailyReset)
        dailyReset_->Change(settings.DailyReset);
    const auto feedKeys = [](const AdvancedSettings &keys) {
        return std::tie(keys.HttpPort, keys.HttpBind, keys.HttpToken, keys.HttpHosts);
    };
    const bool feedChanged = feedKeys(settings) != feedKeys(Advanced);
    const auto linkKeys = [](const AdvancedSettings &keys) {
        return std::tie(keys.Door, keys.HallName, keys.Broker, keys.BrokerUser, keys.BrokerPassword,
                        keys.BrokerCaFile);
    };
    if (linkKeys(settings) != linkKeys(Advanced)) {
        if (settings.Broker.isEmpty())
            link_->Stop();
        else if (link_->Start(LinkSettings(settings)))
            link_->ShowCount();
    }
    Advanced = settings;
    ShowOccupancyWarning();
    if (feedChanged)
        StartFeed();
    ApplyLineRules();
    ApplyLamp();
    if (!failed.isEmpty() && showError_) {
        const QString reason = settings_.FailureReason();
        showError_(QStringLiteral("Die erweiterten Einstellungen lassen sich nicht speichern („%1“ wurde nicht "
                                  "geschrieben). Sie gelten, bis das Programm endet.")
                       .arg(failed)
                   + (reason.isEmpty() ? QString() : QLatin1Char('\n') + reason));
    }
}

QString PontraApplication::Store(const SettingValues &values)
{
    if (!settings_.OpenKey(true))
        return values.first().first;
    const QString failed = settings_.WriteValues(values);
    settings_.CloseKey();
    return failed;
}

void PontraApplication::StartFeed()
{
    if (Advanced.HttpPort == 0) {
        feed_->Stop();
        return;
    }
    const std::string bind = Advanced.HttpBind.toStdString();
    if (Advanced.HttpToken.isEmpty() && !IsLoopbackAddress(bind)) {
        // Made on first use and kept, so that the address a tablet has stays valid.
        Advanced.HttpToken = QString::fromStdString(MakeFeedToken());
        Store({{QStringLiteral("HttpToken"), Advanced.HttpToken}});
    }
    FeedServerConfig config;
    config.bindAddress = bind;
    config.port = static_cast<std::uint16_t>(Advanced.HttpPort);
    config.token = Advanced.HttpToken.toStdString();
    for (const QString &host : Advanced.HttpHosts.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        config.hosts.push_back(host.toStdString());
    config.journal = journal_->File();
    std::string error;
    // Without its module the server is not started, and that is told once.
    if (!feed_->Start(config, error) && !error.empty()) {
        // Over the main window once it shows; at start it does not yet.
        const QString notice = QString::fromStdString(error)
                               + QStringLiteral("\n\nDas Programm zählt ohne sie weiter. Port und Adresse lassen "
                                                "sich unter Einstellungen (F2) → „Erweitert …“ ändern.");
        QTimer::singleShot(0, main_.get(), [this, notice] { showNotice_(notice); });
    }
}

DayChartWindow *PontraApplication::DayChart()
{
    if (chart_)
        return chart_;
    QString problem;
    const auto make = reinterpret_cast<NewDayChartWindow>(chartModule_.Function(kNewDayChartWindow, problem));
    if (!make) {
        if (!problem.isEmpty())
            showNotice_(problem);
        return nullptr;
    }
    const std::filesystem::path journalFile = journal_->File();
    ReportSource reports;
    reports.options = [this] {
        ReportOptions options;
        if (const QString hall = ReportHallName(Advanced); !hall.isEmpty())
            options.hall = hall.toStdString();
        options.warnPercent = Advanced.WarnPercent;
        return options;
    };
    reports.read = [journalFile](const ReportPeriod &period) {
        return journalFile.empty() ? ReportRows() : ReadReportRows(JournalReader(journalFile), period);
    };
    if (!journalFile.empty())
        reports.checkJournal = [journalFile] { return JournalCheckText(CheckJournal(journalFile)); };
    chart_ = make(
        [journalFile](std::chrono::year_month_day day) {
            return journalFile.empty() ? std::vector<JournalRow>() : JournalReader(journalFile).Day(day);
        },
        std::move(reports), now_, main_.get());
    forms.FormDayChart = chart_;
    hall.AddListener(chart_);
    return chart_;
}
