#pragma once

#include "hall/HallListener.h"
#include "widgets/TColor.h"

#include <QPointer>
#include <QWidget>

#include <memory>

struct CounterState;
class IdleInhibit;
class QLabel;
class TLabel3D;

// The public display: a frameless black window covering one monitor, with the
// welcome text while the hall has room and the stop picture once it is full.
// With a warning share set, a hall nearly full gets an amber welcome in an
// amber frame that names the places left. It follows the hall's changes.
class TFormMonitor2 : public QWidget, public HallListener {
    Q_OBJECT
public:
    explicit TFormMonitor2(CounterState &state, QWidget *parent = nullptr);
    ~TFormMonitor2() override;

    // In painting order: later ones are drawn over earlier ones.
    QLabel *ImageStop;
    TLabel3D *Label3D1;
    TLabel3D *LabelMax;

    // Brings both captions and the choice of screen in line with the count,
    // whether the window is shown or not.
    void UpdateDisplay();
    void HallChanged(const HallChange &) override { UpdateDisplay(); }
    void CapacityChanged(std::int32_t) override { UpdateDisplay(); }
    // warnPercent 1 … 99: amber from that share of the capacity on; any other
    // value never. showPlacesLeft names the places left at every count.
    void SetOccupancyWarning(int warnPercent, bool showPlacesLeft);
    // The amber of a hall nearly full, which the main window's digits take too.
    static constexpr TColor kNearlyFullColour = RGBColor(255, 176, 0);
    // The main window's two pictures of the display switch.
    void SetTVSwitch(QWidget *imageTVAus, QWidget *imageTVEin);
    // The operator's window, which stays in front of the display.
    void SetOperatorWindow(QWidget *window) { operatorWindow_ = window; }
    // Held while the display shows, so that the screen stays on.
    void SetIdleInhibit(std::unique_ptr<IdleInhibit> inhibit);

    void setVisible(bool visible) override;

    // Where the display goes: the chosen monitor, or without a choice the
    // first that does not hold the operator's window; -1 for none.
    int TargetMonitor() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void FormShow();
    void FormClose();
    void FitFont();
    // The stop picture, drawn for the window's size while it shows.
    void FitStopPicture();
    // The amber frame's thickness; 0 while the hall is not nearly full.
    int FrameWidth() const;
    // Monitors came, went or changed: the display moves with its monitor,
    // closes while that one is gone and comes back with it.
    void FollowMonitors();
    void ShowTVSwitch(bool displayOpen);

    CounterState &state_;
    QWidget *imageTVAus_ = nullptr;
    QWidget *imageTVEin_ = nullptr;
    QPointer<QWidget> operatorWindow_;
    bool waitingForMonitor_ = false;
    int warnPercent_ = 0;
    bool showPlacesLeft_ = false;
    bool nearlyFull_ = false;
    std::unique_ptr<IdleInhibit> idleInhibit_;
};
