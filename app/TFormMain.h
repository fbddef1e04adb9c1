#pragma once

#include "app/CountField.h"
#include "hall/DoorLamp.h"
#include "hall/HallListener.h"
#include "hall/HallSource.h"
#include "serial/PortRefusal.h"
#include "serial/SerialDevice.h"

#include <QPoint>
#include <QStringList>
#include <QWidget>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class BarrierPort;
struct CounterState;
struct Forms;
class Hall;
class HelpViewer;
class IdleInhibit;
class HelpViewerLink;
class MinimiseToTray;
class NotificationArea;
class PortOpening;
class SettingsStore;
class TComPort;
class TShape;
class TFrameL;
class TImage;
class TLbSpeedButton;
class TTrayIcon;
class QAction;
class QMenu;
class QToolButton;

// What the main window needs from the platform at start and at the end.
struct MainWindowServices {
    SettingsStore &Settings;
    // Whether serial port n (1 … 64) is present and free.
    std::function<bool(int)> PortPresent;
    // Set when serial port n exists but this user may not open it; empty
    // where no port can be refused so.
    std::function<std::optional<PortRefusal>(int)> RefusedPort = {};
    // Full path of the program file; the help file is named after it.
    QString ProgramPath;
    // Shows an error to the operator; PontraApplication's own shows a message
    // box over the main window.
    std::function<void(const QString &)> ShowError = {};
    // Tells the operator something without stopping the program;
    // PontraApplication's own shows a box over the main window.
    std::function<void(const QString &)> ShowNotice = {};
    // Asks the operator a question; true for "Ja". PontraApplication's own
    // shows a box with "Ja" and "Nein" over the main window.
    std::function<bool(const QString &)> Ask = {};
    // Makes the device behind the serial port; empty for the platform's own.
    SerialDeviceFactory NewSerialDevice = {};
    // Makes the notification area for the tray icon; empty for the desktop's own.
    std::function<std::unique_ptr<NotificationArea>()> NewNotificationArea = {};
    // Makes the help viewer; empty for the external CHM viewer.
    std::function<std::unique_ptr<HelpViewer>()> NewHelpViewer = {};
    // Keeps the screen on while the public display shows; the platform's by default.
    std::function<std::unique_ptr<IdleInhibit>()> NewIdleInhibit = {};
    // Says that no help viewer is available; empty for the warning box.
    std::function<void()> WarnNoHelpViewer = {};
    // The help link, set up by the application before the main window.
    HelpViewerLink *Help = nullptr;
    // The day journal's file; empty for none (the user has no folder for it).
    std::filesystem::path JournalFile = {};
    // The wall clock; empty for the system's.
    std::function<std::chrono::system_clock::time_point()> Now = {};
    // Where the program's modules (day chart, live feed, door link) are
    // looked for; empty for beside the program and its library folder.
    QStringList ModuleFolders = {};
};

// The operator's console. Its buttons, keys and barriers change the hall's
// count, and it shows the count as the hall tells it.
class TFormMain : public QWidget, public HallListener {
    Q_OBJECT
public:
    // The place the window takes when a stored position is being read.
    static constexpr QPoint kDesignPosition{730, 440};

    TFormMain(CounterState &state, Hall &hall, Forms &forms, MainWindowServices services, QWidget *parent = nullptr);
    ~TFormMain() override;

    QToolButton *bF1;
    QToolButton *bF2;
    QToolButton *bF3;
    CountField *Label1;
    TLbSpeedButton *bIn;
    TLbSpeedButton *bOut;
    TLbSpeedButton *bReset;
    TImage *ImageTVAus;
    TImage *ImageTVEin;
    TImage *Image1;
    TFrameL *FrameL1;
    TFrameL *FrameL2;
    TComPort *ComPort;
    TTrayIcon *TrayIcon1;
    // Shown while the door link has no connection to the hall's server.
    TImage *LinkDownMark;
    // The stop lamp's colour; hidden while no lamp is used.
    TShape *LampMark;

    // The application-wide keys, as entries of the hidden menu.
    QAction *Help1;
    QAction *Cfg1;
    QAction *Info1;
    QAction *Rein1;
    QAction *Raus1;
    QAction *Mon21;
    QAction *Reset1;
    QAction *DayChart1;
    QList<QAction *> KeyActions() const;
    // The notification icon's menu: the day chart and the way back.
    QMenu *TrayMenu;

    QString HelpFile() const { return helpFile_; }

    void bInClick();
    void bOutClick();
    void bResetClick();
    void ImageTVAusClick();
    void ImageTVEinClick();
    void Mon21Click();
    void bF1Click();
    void bF2Click();
    void bF3Click();
    // Opens the window "Tagesverlauf" (F6).
    void DayChartClick();
    void FormCloseQuery(bool &CanClose);

    void HallChanged(const HallChange &change) override;
    void CapacityChanged(std::int32_t capacity) override;
    // With a share of 1 … 99 % the digits turn amber from that share of the
    // capacity on and red at the capacity; 0 keeps them white.
    void SetWarnPercent(int warnPercent);
    // A barrier or the port in trouble, or well again: the indicator's mark
    // and tooltip, the tray's tip, and while hidden there one message.
    void HallReported(const HallChange &report) override;

    // The debounce of the barriers' lines (0: every change counts) and the
    // limits of their health rules (0: off); in effect at once.
    void SetLineRules(std::chrono::milliseconds debounce, std::chrono::seconds blocked, int flickerPerSecond);
    // Whether a line change still waits out its debounce time.
    bool DebouncePending() const { return DebounceDeadline().has_value(); }
    // When the first pending line change has held its level long enough.
    std::optional<std::chrono::steady_clock::time_point> DebounceDeadline() const;

    void ComPortDSR_46(QObject *Sender);
    void ComPortCTS_78(QObject *Sender);
    void ComPortOpen(QObject *Sender);
    void ComPortClose(QObject *Sender);
    void TrayIcon1Click(QObject *Sender);

    // The present ports, and those this user may not open: the operator
    // can choose one and is told why it stays dead.
    void ScanPorts();
    void FormDestroy();
    // Stores the settings as they are in memory now. A failure is shown in
    // a box; unattended, as when the system ends the run and nobody may be
    // there to close one, it goes to standard error and the journal.
    void WriteSettings(bool unattended = false);
    // Ends the run without asking, as the system does at shutdown: open
    // dialogs close unanswered, and FormDestroy stores the settings.
    void EndWithoutQuestion();
    // Shows the window in front, out of the notification area if it is
    // there; an open dialog stays in front of it.
    void BringToFront();
    // Moves the window fully onto a monitor unless its title bar can be
    // grabbed where it is (monitors come and go).
    void BringIntoReach();
    // A stored port that was not found at start; 0 when there is none.
    int MissingStoredPort() const;
    // The mark and the tray tip for a door link without its hall's server.
    void ShowLinkDown(bool down);
    // The stop lamp's colour as a mark; none: no lamp.
    void ShowLamp(std::optional<LampState> state);

    // The warnings shown now, the port's first, and which beams are blocked.
    QStringList Warnings() const;
    bool EntryBlocked() const;
    bool ExitBlocked() const;

signals:
    // The operator confirmed closing: the program ends.
    void Closed();
    // A barrier's or the port's warning began or ended.
    void WarningsChanged();
    // The settings were saved: the levels at which the barriers count
    // (ContaktIn, ContaktOut) may have changed.
    void SettingsSaved();
    // The barriers' port is about to be opened as port, chosen in F2.
    void PortChosen(int port);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateControls();
    void CreateKeyActions();
    void FormCreate();
    void ReadSettings();
    // After an open of the port that failed: tells the operator, once a run,
    // when the port refused this user or would not keep its RTS line; the
    // latter also marks the port as lost.
    void HintAtRefusedPort();
    // The monitor stored or chosen for the public display; -1 without one.
    int ChosenDisplayMonitor() const;
    // A barrier's line on its indicator; empty: not read.
    void ShowLine(HallSource barrier, std::optional<bool> on);
    // Acts on a barrier's line at its new level: counts a passage, or shows
    // the wiring test while the settings dialog is open.
    void TakeLevel(HallSource barrier, bool on, bool passage);
    void ShowWarnings();
    std::chrono::system_clock::time_point Now() const;
    // Changes the count through the hall, at the present moment; false when
    // it stayed.
    bool Count(HallSource source);
    QAction *AddKey(const QString &caption, const QKeySequence &key, void (TFormMain::*handler)());

    // A title bar and borders of a generous size, for a frame not known yet.
    static constexpr int kTitleBar = 24;
    static constexpr int kBorder = 4;

    CounterState &state_;
    Hall &hall_;
    Forms &forms_;
    MainWindowServices services_;
    QString helpFile_;
    // Centred on the desktop at the first showing unless a stored position was read.
    bool centreOnShow_ = true;
    bool destroyed_ = false;
    bool endWithoutQuestion_ = false;
    // Whether the port number came from the stored settings.
    bool portRead_ = false;
    // The permission and RTS hints are given once a run.
    bool permissionHinted_ = false;
    bool linesHinted_ = false;
    // Minimising hides the window behind TrayIcon1.
    MinimiseToTray *tray_;
    // The barrier whose passage the click now running counts; empty while
    // the operator clicks.
    std::optional<HallSource> barrierClick_;
    int warnPercent_ = 0;
    // The barriers' rules on ComPort's lines.
    BarrierPort *barrierPort_;
    std::unique_ptr<PortOpening> opening_;
    bool linkDown_ = false;
};
