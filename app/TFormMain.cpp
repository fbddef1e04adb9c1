#include "app/TFormMain.h"

#include "app/Forms.h"
#include "app/TFrameL.h"
#include "chart/DayChartWindow.h"
#include "desktop/WindowDecorations.h"
#include "dialogs/BarrierWarningText.h"
#include "dialogs/MissingPortHint.h"
#include "dialogs/PortLinesHint.h"
#include "dialogs/PortPermissionHint.h"
#include "dialogs/TFDlgYesNo.h"
#include "dialogs/TForm2.h"
#include "dialogs/TFormInfo.h"
#include "dialogs/WindowPlacement.h"
#include "display/MonitorWatch.h"
#include "display/Monitors.h"
#include "display/TFormMonitor2.h"
#include "hall/CounterState.h"
#include "hall/Hall.h"
#include "link/LinkTexts.h"
#include "serial/BarrierPort.h"
#include "serial/PortOpening.h"
#include "serial/TComPort.h"
#include "settings/MainSettings.h"
#include "settings/SettingsStore.h"
#include "widgets/ArtControls.h"
#include "widgets/Artwork.h"
#include "widgets/ColouredButton.h"
#include "widgets/HelpViewerLink.h"
#include "widgets/MinimiseToTray.h"
#include "widgets/PixelFont.h"
#include "widgets/TImage.h"
#include "widgets/TLbSpeedButton.h"
#include "widgets/TOwnerDrawComboBox.h"
#include "widgets/TShape.h"
#include "widgets/TTrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include <chrono>
#include <utility>

TFormMain::TFormMain(CounterState &state, Hall &hall, Forms &forms, MainWindowServices services, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint
                          | Qt::MSWindowsFixedSizeDialogHint),
      state_(state), hall_(hall), forms_(forms), services_(std::move(services))
{
    setWindowTitle(QStringLiteral("Pontra 1.0"));
    setFixedSize(300, 202);
    // Also after a round trip through the notification area.
    KeepStaysOnTop(this);
    // The hints show also while another window (the display, the simulator) is active.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFont(PixelFont(QStringLiteral("Arial"), 16));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(64, 64, 64));
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    CreateControls();
    CreateKeyActions();
    FormCreate();
}

TFormMain::~TFormMain()
{
    FormDestroy();
}

void TFormMain::CreateControls()
{
    QIcon cog(Artwork(QStringLiteral("cog_gold"), QSize(28, 28)));
    cog.addPixmap(Artwork(QStringLiteral("cog_grey"), QSize(28, 28)), QIcon::Disabled);
    bF1 = MakeGlyphButton(this, QRect(8, 8, 33, 36), QStringLiteral("[F1] Hilfe"),
                          QIcon(Artwork(QStringLiteral("help_book"), QSize(24, 24))), QSize(24, 24));
    bF2 = MakeGlyphButton(this, QRect(48, 8, 33, 36), QStringLiteral("[F2] Einstellungen"), cog, QSize(28, 28));
    bF3 = MakeGlyphButton(this, QRect(88, 8, 35, 36), QStringLiteral("[F3] Info"),
                          QIcon(Artwork(QStringLiteral("info_button"), QSize(25, 23))), QSize(25, 23));
    connect(bF1, &QToolButton::clicked, this, &TFormMain::bF1Click);
    connect(bF2, &QToolButton::clicked, this, &TFormMain::bF2Click);
    connect(bF3, &QToolButton::clicked, this, &TFormMain::bF3Click);

    Label1 = new CountField(this);
    Label1->setGeometry(8, 56, 116, 72);

    bIn = MakeColouredButton(this, QRect(131, 56, 90, 35), QStringLiteral("REIN"), QStringLiteral("[F4]"),
                             {RGBColor(0, 155, 0), RGBColor(0, 185, 0), RGBColor(0, 236, 0), RGBColor(0, 55, 0),
                              RGBColor(0, 128, 0), clWhite, 19, clWhite});
    bOut = MakeColouredButton(this, QRect(131, 93, 89, 35), QStringLiteral("RAUS"), QStringLiteral("[F5]"),
                              {RGBColor(176, 190, 1), RGBColor(179, 179, 0), RGBColor(221, 221, 0), RGBColor(74, 74, 0),
                               RGBColor(128, 128, 0), RGBColor(223, 223, 0), 19, clWhite});
    bReset = MakeColouredButton(this, QRect(8, 160, 116, 33), QStringLiteral("RESET"), QStringLiteral("[F10]"),
                                {RGBColor(206, 0, 0), RGBColor(204, 0, 0), RGBColor(255, 0, 0), RGBColor(47, 0, 0),
                                 RGBColor(113, 0, 0), clWhite, 16, RGBColor(255, 255, 0)});
    connect(bIn, &TLbSpeedButton::clicked, this, &TFormMain::bInClick);
    connect(bOut, &TLbSpeedButton::clicked, this, &TFormMain::bOutClick);
    connect(bReset, &TLbSpeedButton::clicked, this, &TFormMain::bResetClick);

    ImageTVAus = MakeArtImage(this, QRect(26, 134, 90, 20), QStringLiteral("tv_aus"), QStringLiteral("[Ctrl+T]"));
    ImageTVEin = MakeArtImage(this, QRect(68, 134, 90, 20), QStringLiteral("tv_ein"), QStringLiteral("[Ctrl+T]"));
    ImageTVAus->hide();
    ImageTVEin->hide();
    connect(ImageTVAus, &TImage::Clicked, this, &TFormMain::ImageTVAusClick);
    connect(ImageTVEin, &TImage::Clicked, this, &TFormMain::ImageTVEinClick);

    Image1 = MakeArtImage(this, QRect(232, 68, 32, 39), QStringLiteral("exit_sign"));
    LinkDownMark = MakeArtImage(this, QRect(266, 166, 24, 22), QStringLiteral("link_down"),
                                QString::fromUtf8(kNoHallServerText));
    LinkDownMark->unsetCursor();
    LinkDownMark->hide();
    LampMark = new TShape(TShape::stCircle, Qt::transparent, this);
    LampMark->setGeometry(270, 12, 14, 14);
    LampMark->hide();

    FrameL1 = new TFrameL(this);
    FrameL1->move(200, 30);
    FrameL2 = new TFrameL(this);
    FrameL2->move(200, 128);

    ComPort = new TComPort(this, services_.NewSerialDevice);
    barrierPort_ = new BarrierPort(*ComPort, hall_, {state_.ContaktIn, state_.ContaktOut, state_.LineState}, this);
    barrierPort_->OnShow = [this](HallSource barrier, std::optional<bool> on) { ShowLine(barrier, on); };
    barrierPort_->OnLevel = [this](HallSource barrier, bool on, bool passage) { TakeLevel(barrier, on, passage); };
    barrierPort_->Now = [this] { return Now(); };
    ComPort->OnDSR = [this](QObject *sender) { ComPortDSR_46(sender); };
    ComPort->OnCTS = [this](QObject *sender) { ComPortCTS_78(sender); };
    ComPort->OnOpen = [this](QObject *sender) { ComPortOpen(sender); };
    ComPort->OnClose = [this](QObject *sender) { ComPortClose(sender); };
    ComPort->OnLost = [this](QObject *) { barrierPort_->PortLost(); };
    opening_ = std::make_unique<PortOpening>(*ComPort, services_.PortPresent, services_.RefusedPort);

    TrayIcon1 = new TTrayIcon(this, services_.NewNotificationArea ? services_.NewNotificationArea() : nullptr);
    TrayIcon1->SetActive(false);
    TrayIcon1->SetAnimate(false);
    TrayIcon1->SetMinimizeApp(false);
    TrayIcon1->SetShowDesigning(false);
    TrayIcon1->OnClick = [this](QObject *sender) { TrayIcon1Click(sender); };
    TrayMenu = new QMenu(this);
    connect(TrayMenu->addAction(QStringLiteral("Tagesverlauf")), &QAction::triggered, this,
            &TFormMain::DayChartClick);
    connect(TrayMenu->addAction(QStringLiteral("Fenster zeigen")), &QAction::triggered, this,
            [this] { TrayIcon1Click(TrayIcon1); });
    TrayIcon1->SetPopupMenu(TrayMenu);
    // A monitor gone or moved can take the window out of reach.
    connect(new MonitorWatch(this), &MonitorWatch::Changed, this, &TFormMain::BringIntoReach);
    tray_ = new MinimiseToTray(*this, *TrayIcon1);
    tray_->OnRestored = [this] {
        // The monitors may have changed while it was hidden.
        BringIntoReach();
        // A notice or the chart minimised together with this window.
        RestoreOwnedWindows(this);
    };
}

QAction *TFormMain::AddKey(const QString &caption, const QKeySequence &key, void (TFormMain::*handler)())
{
    auto *action = new QAction(caption, this);
    action->setShortcut(key);
    // Application-wide, but blocked while a modal dialog is open.
    action->setShortcutContext(Qt::ApplicationShortcut);
    connect(action, &QAction::triggered, this, handler);
    addAction(action);
    return action;
}

void TFormMain::CreateKeyActions()
{
    Help1 = AddKey(QStringLiteral("Help"), QKeySequence(Qt::Key_F1), &TFormMain::bF1Click);
    Cfg1 = AddKey(QStringLiteral("Cfg"), QKeySequence(Qt::Key_F2), &TFormMain::bF2Click);
    Info1 = AddKey(QStringLiteral("Info"), QKeySequence(Qt::Key_F3), &TFormMain::bF3Click);
    Rein1 = AddKey(QStringLiteral("Rein"), QKeySequence(Qt::Key_F4), &TFormMain::bInClick);
    Raus1 = AddKey(QStringLiteral("Raus"), QKeySequence(Qt::Key_F5), &TFormMain::bOutClick);
    Mon21 = AddKey(QStringLiteral("Mon2"), QKeySequence(Qt::CTRL | Qt::Key_T), &TFormMain::Mon21Click);
    Reset1 = AddKey(QStringLiteral("Reset"), QKeySequence(Qt::Key_F10), &TFormMain::bResetClick);
    DayChart1 = AddKey(QStringLiteral("Tagesverlauf"), QKeySequence(Qt::Key_F6), &TFormMain::DayChartClick);
}

QList<QAction *> TFormMain::KeyActions() const
{
    return {Help1, Cfg1, Info1, Rein1, Raus1, Mon21, Reset1, DayChart1};
}

void TFormMain::FormCreate()
{
    ScanPorts();
    helpFile_ = HelpViewerLink::ApplicationHelpFile(services_.ProgramPath);
    ImageTVEin->move(ImageTVAus->x(), ImageTVEin->y());
    ImageTVAus->setVisible(MonitorCount() > 1);
    TrayIcon1->SetIcon(QGuiApplication::windowIcon());
    TrayIcon1->SetToolTip(windowTitle().trimmed());
    ReadSettings();
    if (!opening_->Open())
        QTimer::singleShot(0, this, &TFormMain::HintAtRefusedPort);
    if (const int missing = MissingStoredPort()) {
        // Once, when the program runs: the barriers stay dead until the
        // adapter is back, and the operator should know why.
        QTimer::singleShot(0, this, [this, missing] {
            if (services_.ShowNotice)
                services_.ShowNotice(MissingPortHint(missing));
        });
    }
}

void TFormMain::ScanPorts()
{
    state_.AvailablePorts = opening_->Scan();
}

int TFormMain::MissingStoredPort() const
{
    return portRead_ ? opening_->Missing() : 0;
}

void TFormMain::HintAtRefusedPort()
{
    const int port = ComPort->Port;
    const PortTrouble trouble = opening_->Trouble();
    if (trouble.linesRefused)
        barrierPort_->PortLost();
    if (!services_.ShowNotice)
        return;
    if (trouble.linesRefused && !std::exchange(linesHinted_, true))
        services_.ShowNotice(PortLinesHint(port));
    else if (trouble.refusal && !std::exchange(permissionHinted_, true))
        services_.ShowNotice(PortPermissionHint(port, *trouble.refusal));
}

void TFormMain::ReadSettings()
{
    const MainSettings stored = MainSettings::Read(services_.Settings);
    if (stored.Port) {
        ComPort->Port = static_cast<std::uint8_t>(*stored.Port & 0xFF);
        portRead_ = true;
    }
    if (stored.MaxCounter)
        hall_.SetCapacity(*stored.MaxCounter);
    if (stored.ContaktIn)
        state_.ContaktIn = *stored.ContaktIn != 0;
    if (stored.ContaktOut)
        state_.ContaktOut = *stored.ContaktOut != 0;
    if (stored.Monitor) {
        state_.MonitorIndex = *stored.Monitor;
        // No monitor has a negative place in the list.
        state_.MonitorChosen = *stored.Monitor >= 0;
    }
    // With ContaktOut read the window keeps its designed or stored place.
    if (!stored.ContaktOut)
        return;
    centreOnShow_ = false;
    // The stored place is taken as read and moved to once, after the check
    // below: a place near the 32-bit limits stays out of the window's own
    // arithmetic. A stored place off every monitor (another desktop, a
    // monitor gone) would leave the window out of reach, and be stored
    // again. It comes onto a monitor, not onto the public display's. The
    // frame is not known before the first showing: a title bar and borders
    // of a generous size stand in for it.
    const QPoint place(stored.X.value_or(kDesignPosition.x()), stored.Y.value_or(kDesignPosition.y()));
    const QSize frame = size() + QSize(2 * kBorder, kTitleBar + kBorder);
    move(ReachablePosition(place, frame, kTitleBar, MonitorRects(), ChosenDisplayMonitor()));
}

void TFormMain::showEvent(QShowEvent *event)
{
    if (centreOnShow_) {
        centreOnShow_ = false;
        const QRect desktop = PrimaryMonitorRect();
        if (!desktop.isEmpty())
            CenterOver(this, desktop);
    }
    QWidget::showEvent(event);
}

void TFormMain::FormDestroy()
{
    if (destroyed_)
        return;
    destroyed_ = true;
    WriteSettings(endWithoutQuestion_);
    ComPort->Close();
}

void TFormMain::WriteSettings(bool unattended)
{
    // Without a choice, the monitor the display takes by itself now; with a
    // single monitor there is none to store yet, and the next start chooses
    // afresh.
    const int monitor = state_.MonitorChosen
                            ? state_.MonitorIndex
                            : DisplayMonitorIndex(MonitorRects(), std::nullopt, frameGeometry().center());
    const MainSettings values{.Port = ComPort->Port,
                              .MaxCounter = hall_.Capacity(),
                              .ContaktIn = state_.ContaktIn ? 1 : 0,
                              .ContaktOut = state_.ContaktOut ? 1 : 0,
                              .X = pos().x(),
                              .Y = pos().y(),
                              .Monitor = monitor >= 0 ? std::optional(monitor) : std::nullopt};
    const QString failed = values.Write(services_.Settings);
    if (failed.isEmpty())
        return;
    // The system's reason, when there is one, on a line of its own.
    const QString reason = services_.Settings.FailureReason();
    const QString message = QStringLiteral("Failed to set data for '%1'").arg(failed)
                            + (reason.isEmpty() ? QString() : QLatin1Char('\n') + reason);
    if (unattended) {
        qWarning("%s", qPrintable(message));
        hall_.Apply({.source = HallSource::SettingsNotStored, .time = Now()});
    } else if (services_.ShowError) {
        services_.ShowError(message);
    }
}

void TFormMain::bInClick()
{
    Count(barrierClick_ == HallSource::EntryBarrier ? HallSource::EntryBarrier : HallSource::In);
}

bool TFormMain::Count(HallSource source)
{
    return hall_.Apply({.source = source, .time = Now()});
}

std::chrono::system_clock::time_point TFormMain::Now() const
{
    return services_.Now ? services_.Now() : std::chrono::system_clock::now();
}

void TFormMain::HallChanged(const HallChange &change)
{
    Label1->SetCount(QString::number(change.count));
    Label1->Colour(change.count, change.capacity, warnPercent_);
}

void TFormMain::CapacityChanged(std::int32_t capacity)
{
    Label1->Colour(hall_.Count(), capacity, warnPercent_);
}

void TFormMain::SetWarnPercent(int warnPercent)
{
    warnPercent_ = warnPercent;
    Label1->Colour(hall_.Count(), hall_.Capacity(), warnPercent_);
}

void TFormMain::ShowLinkDown(bool down)
{
    LinkDownMark->setVisible(down);
    linkDown_ = down;
    ShowWarnings();
}

void TFormMain::ShowLamp(std::optional<LampState> state)
{
    LampMark->setVisible(state.has_value());
    if (!state)
        return;
    switch (*state) {
    case LampState::Green:
        LampMark->SetBrushColor(QColor(0, 200, 0));
        LampMark->setToolTip(QStringLiteral("Ampel: frei"));
        break;
    case LampState::Amber:
        LampMark->SetBrushColor(QColor(255, 176, 0));
        LampMark->setToolTip(QStringLiteral("Ampel: fast voll"));
        break;
    case LampState::Red:
        LampMark->SetBrushColor(QColor(230, 0, 0));
        LampMark->setToolTip(QStringLiteral("Ampel: voll"));
        break;
    }
}

void TFormMain::bOutClick()
{
    // The hall keeps the count from going below 0; the digits are written
    // all the same, the display is not refreshed.
    if (!Count(barrierClick_ == HallSource::ExitBarrier ? HallSource::ExitBarrier : HallSource::Out))
        Label1->SetCount(QString::number(hall_.Count()));
}

void TFormMain::bResetClick()
{
    Count(HallSource::Reset);
}

void TFormMain::ImageTVAusClick()
{
    forms_.FormMonitor2->show();
    // The operator's window stays in front of the display.
    raise();
    activateWindow();
}

void TFormMain::ImageTVEinClick()
{
    forms_.FormMonitor2->close();
}

void TFormMain::Mon21Click()
{
    // The pictures' own visibility, also while this window sits hidden.
    if (!ImageTVAus->isHidden())
        ImageTVAusClick();
    else if (!ImageTVEin->isHidden())
        ImageTVEinClick();
}

void TFormMain::bF1Click()
{
    if (services_.Help)
        services_.Help->ShowTableOfContents({}, helpFile_);
}

void TFormMain::bF2Click()
{
    TForm2 &settings = forms_.Form2();
    settings.exec();
    if (settings.ResultValue != 1)
        return;
    // What the operator left alone stays as it was read.
    if (const auto capacity = settings.EditedCapacity())
        hall_.SetCapacity(*capacity);
    // Closed and opened again on every Save, also with the same port.
    emit PortChosen(settings.ChosenPort());
    if (!opening_->Reopen(settings.ChosenPort()))
        HintAtRefusedPort();
    state_.ContaktIn = settings.cbAlg1->currentIndex() == 1;
    state_.ContaktOut = settings.cbAlg2->currentIndex() == 1;
    if (const auto monitor = settings.EditedMonitor()) {
        state_.MonitorIndex = *monitor;
        state_.MonitorChosen = true;
    }
    forms_.FormMonitor2->UpdateDisplay();
    // Stored at once too: a run can end without its usual end (power lost,
    // the X connection broken).
    WriteSettings();
    emit SettingsSaved();
}

void TFormMain::bF3Click()
{
    forms_.FormInfo().exec();
}

void TFormMain::DayChartClick()
{
    DayChartWindow *chart = forms_.FormDayChart ? forms_.FormDayChart
                            : forms_.MakeDayChart ? forms_.MakeDayChart()
                                                  : nullptr;
    if (!chart)
        return;
    // Beside the operator's window, which would cover part of it, and
    // never on the public display.
    if (!chart->Window()->isVisible())
        PlaceBesideOrOver(chart->Window(), frameGeometry());
    chart->Open();
}

void TFormMain::FormCloseQuery(bool &CanClose)
{
    TFDlgYesNo &question = forms_.FDlgYesNo();
    question.Label1->setText(QStringLiteral("Programm beenden?"));
    if (question.exec() != TFDlgYesNo::mrYes)
        CanClose = false;
}

void TFormMain::ComPortDSR_46(QObject *)
{
    barrierPort_->LineChanged(HallSource::EntryBarrier);
}

void TFormMain::ComPortCTS_78(QObject *)
{
    barrierPort_->LineChanged(HallSource::ExitBarrier);
}

void TFormMain::ComPortOpen(QObject *)
{
    barrierPort_->Opened();
}

void TFormMain::ComPortClose(QObject *)
{
    barrierPort_->Closed();
}

void TFormMain::ShowLine(HallSource barrier, std::optional<bool> on)
{
    TFrameL *indicator = barrier == HallSource::EntryBarrier ? FrameL1 : FrameL2;
    indicator->SetState(!on ? TFrameL::NoReading : *on ? TFrameL::Closed : TFrameL::Open);
}

void TFormMain::TakeLevel(HallSource barrier, bool on, bool passage)
{
    const bool entry = barrier == HallSource::EntryBarrier;
    if (TForm2 *settings = forms_.Form2.IfMade(); settings && settings->isVisible()) {
        // The settings dialog is open: show the wiring test, do not count.
        TImage *testPicture = entry ? settings->Image1 : settings->Image2;
        testPicture->SetPicture(on ? settings->ImageOn->Picture() : settings->ImageOff->Picture());
    } else if (passage) {
        // The button's click counts, as the operator's does, with the
        // barrier as its cause.
        struct Cause {
            std::optional<HallSource> &click;
            ~Cause() { click.reset(); }
        } cause{barrierClick_};
        barrierClick_ = barrier;
        (entry ? bIn : bOut)->click();
    }
}

void TFormMain::SetLineRules(std::chrono::milliseconds debounce, std::chrono::seconds blocked, int flickerPerSecond)
{
    barrierPort_->SetLineRules(debounce, blocked, flickerPerSecond);
}

std::optional<std::chrono::steady_clock::time_point> TFormMain::DebounceDeadline() const
{
    return barrierPort_->DebounceDeadline();
}

void TFormMain::HallReported(const HallChange &report)
{
    if (report.source == HallSource::SettingsNotStored || IsLampReport(report.source))
        return;
    ShowWarnings();
    emit WarningsChanged();
    // One message as the warning begins, not one for every look at it.
    const QString text = BarrierWarningText(report, ComPort->Port);
    if (!text.isEmpty() && TrayIcon1->Active())
        TrayIcon1->ShowMessage(windowTitle(), text);
}

QStringList TFormMain::Warnings() const
{
    return BarrierWarningTexts(barrierPort_->Warnings().Current());
}

bool TFormMain::EntryBlocked() const
{
    return barrierPort_->Warnings().Blocked(HallSource::EntryBarrier);
}

bool TFormMain::ExitBlocked() const
{
    return barrierPort_->Warnings().Blocked(HallSource::ExitBarrier);
}

void TFormMain::ShowWarnings()
{
    const BarrierWarnings &warnings = barrierPort_->Warnings();
    FrameL1->SetWarning(BarrierWarningText(warnings.Marked(HallSource::EntryBarrier)));
    FrameL2->SetWarning(BarrierWarningText(warnings.Marked(HallSource::ExitBarrier)));
    QString tip = Warnings().value(0);
    // The lost link stands beside a barrier's warning, or after the title.
    const QString link = QString::fromUtf8(kNoHallServerText);
    if (!linkDown_)
        tip = tip.isEmpty() ? windowTitle().trimmed() : tip;
    else
        tip = tip.isEmpty() ? windowTitle().trimmed() + QStringLiteral(" – ") + link : tip + QLatin1Char('\n') + link;
    TrayIcon1->SetToolTip(tip);
}

void TFormMain::TrayIcon1Click(QObject *)
{
    tray_->Restore();
}

void TFormMain::BringIntoReach()
{
    // Hidden in the notification area it is looked at when it comes back.
    if (isHidden())
        return;
    const QRect frame = frameGeometry();
    const int titleHeight = geometry().top() - frame.top();
    const QPoint place = ReachablePosition(frame.topLeft(), frame.size(), titleHeight > 0 ? titleHeight : kTitleBar,
                                           MonitorRects(), ChosenDisplayMonitor());
    if (place != frame.topLeft())
        move(place);
}

int TFormMain::ChosenDisplayMonitor() const
{
    return state_.MonitorChosen ? state_.MonitorIndex : -1;
}

void TFormMain::BringToFront()
{
    tray_->ShowInFront();
    if (QWidget *modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

void TFormMain::EndWithoutQuestion()
{
    endWithoutQuestion_ = true;
    // Innermost first; each one's modal loop ends once this returns.
    while (QWidget *modal = QApplication::activeModalWidget()) {
        if (!modal->close())
            break;
    }
    close();
}

void TFormMain::closeEvent(QCloseEvent *event)
{
    bool canClose = true;
    if (!endWithoutQuestion_)
        FormCloseQuery(canClose);
    // The system may have ended the run while the question was open.
    if (!canClose && !endWithoutQuestion_) {
        event->ignore();
        return;
    }
    event->accept();
    emit Closed();
}
