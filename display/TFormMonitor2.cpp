#include "display/TFormMonitor2.h"

#include "desktop/IdleInhibit.h"
#include "display/MonitorWatch.h"
#include "display/Monitors.h"
#include "hall/CounterState.h"
#include "hall/OccupancyState.h"
#include "widgets/Artwork.h"
#include "widgets/FitText.h"
#include "widgets/PixelFont.h"
#include "widgets/TLabel3D.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QTimer>

#include <algorithm>

namespace {

constexpr QSize kStopPictureSize(232, 230);

TLabel3D *makeCaption(QWidget *parent, const QString &text, TColor colour)
{
    auto *label = new TLabel3D(parent);
    label->SetCaption(text);
    label->SetAlignment(taCenter);
    label->SetLayout(tlCenter);
    label->SetTransparent(true);
    label->setFont(PixelFont(QStringLiteral("Arial"), 43));
    label->SetFontColor(colour);
    label->SetBorderStyle(lbNone);
    label->SetBorderWidth(1);
    label->SetBorderColor(clBlack);
    label->SetFillGradient(false);
    label->SetFirstColor(clWhite);
    label->SetLastColor(clTeal);
    label->SetGradientOrientation(goHorizontal);
    return label;
}

QString PlacesLeftLine(std::int32_t places)
{
    return places == 1 ? QStringLiteral("Noch 1 Platz frei.")
                       : QStringLiteral("Noch %1 Plätze frei.").arg(QString::number(places));
}

} // namespace

TFormMonitor2::TFormMonitor2(CounterState &state, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), state_(state)
{
    setWindowTitle(QStringLiteral("Pontra 1.0"));
    resize(427, 280);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);

    ImageStop = new QLabel(this);
    ImageStop->setAlignment(Qt::AlignCenter);
    ImageStop->hide();
    Label3D1 = makeCaption(this, QStringLiteral("Herzlich Willkommen!"), clGreen);
    Label3D1->SetBevel(blNone);
    LabelMax = makeCaption(this, QStringLiteral("Max"), clYellow);
    LabelMax->SetBevel(blShadow);
    LabelMax->SetShadowSize(3);
    LabelMax->SetShadowColor(clBlack);
    // Double buffering needs nothing of its own: every repaint is composed in
    // Qt's backing store and shown in one step, so the large texts never
    // flicker. The captions and the stop picture fill the client area
    // (resizeEvent).

    connect(new MonitorWatch(this), &MonitorWatch::Changed, this, &TFormMonitor2::FollowMonitors);
}

TFormMonitor2::~TFormMonitor2() = default;

void TFormMonitor2::SetTVSwitch(QWidget *imageTVAus, QWidget *imageTVEin)
{
    imageTVAus_ = imageTVAus;
    imageTVEin_ = imageTVEin;
}

void TFormMonitor2::SetOccupancyWarning(int warnPercent, bool showPlacesLeft)
{
    warnPercent_ = warnPercent;
    showPlacesLeft_ = showPlacesLeft;
    UpdateDisplay();
}

void TFormMonitor2::UpdateDisplay()
{
    const OccupancyState occupancy = OccupancyStateOf(state_.VisitorCount, state_.MaxCounter, warnPercent_);
    const bool full = occupancy == OccupancyState::Full;
    ImageStop->setVisible(full);
    FitStopPicture();
    Label3D1->setVisible(ImageStop->isHidden());
    LabelMax->setVisible(!ImageStop->isHidden());
    LabelMax->SetCaption(QStringLiteral("\r\n\r\n\r\nMax. ") + QString::number(state_.MaxCounter));
    // The greeting names the number of the visitor now coming in.
    QString greeting = QStringLiteral("Herzlich Willkommen!\r\n\r\nSie sind der ")
                       + QString::number(static_cast<qint64>(state_.VisitorCount) + 1) + QStringLiteral(".\r\n")
                       + QStringLiteral("Besucher von ") + QString::number(state_.MaxCounter)
                       + QStringLiteral(" in der Halle.");
    const bool nearlyFull = occupancy == OccupancyState::NearlyFull;
    if (nearlyFull || (showPlacesLeft_ && !full))
        greeting += QStringLiteral("\r\n") + PlacesLeftLine(PlacesLeft(state_.VisitorCount, state_.MaxCounter));
    Label3D1->SetCaption(greeting);
    Label3D1->SetFontColor(nearlyFull ? kNearlyFullColour : clGreen);
    if (nearlyFull != nearlyFull_) {
        nearlyFull_ = nearlyFull;
        // The frame comes or goes.
        update();
    }
    // A longer number can make a line too wide for the monitor.
    if (isVisible())
        FitFont();
}

void TFormMonitor2::setVisible(bool visible)
{
    // Shown or closed by anyone: no longer waiting for a monitor to return.
    waitingForMonitor_ = false;
    // Placement and font size are worked out before the window appears.
    if (visible && !isVisible())
        FormShow();
    QWidget::setVisible(visible);
    if (!idleInhibit_)
        return;
    if (isVisible())
        idleInhibit_->Hold(QStringLiteral("Die Anzeige für die Besucher ist geöffnet."));
    else
        idleInhibit_->Release();
}

void TFormMonitor2::SetIdleInhibit(std::unique_ptr<IdleInhibit> inhibit)
{
    idleInhibit_ = std::move(inhibit);
}

int TFormMonitor2::TargetMonitor() const
{
    const QPoint operatorCentre = operatorWindow_ ? operatorWindow_->frameGeometry().center() : QPoint();
    return DisplayMonitorIndex(MonitorRects(), state_.MonitorChosen ? std::optional(state_.MonitorIndex) : std::nullopt,
                               operatorCentre);
}

void TFormMonitor2::FormShow()
{
    ShowTVSwitch(true);
    // Without one of its own, a monitor no longer attached gives the primary one.
    const int target = TargetMonitor();
    setGeometry(target >= 0 ? MonitorRect(target) : MonitorRect(state_.MonitorIndex));
    UpdateDisplay();
    FitFont();
}

void TFormMonitor2::FitFont()
{
    // A tenth of the window's height, in points, while the longest line fits
    // the width; smaller where it would wrap, so that the lines stay as many
    // as the caption has. Inside a frame, they keep as much black again from
    // it, so that none seems to touch it.
    const QStringList lines = Label3D1->Caption().split(QStringLiteral("\r\n"));
    const int points = FittingPointSize(Label3D1->font(), height() / 10, lines, width() - 4 * FrameWidth(), this);
    if (Label3D1->font().pointSize() != points) {
        QFont font = Label3D1->font();
        font.setPointSize(points);
        Label3D1->setFont(font);
    }
    if (LabelMax->font().pointSize() != Label3D1->font().pointSize()) {
        QFont maxFont = LabelMax->font();
        maxFont.setPointSize(Label3D1->font().pointSize());
        LabelMax->setFont(maxFont);
    }
}

int TFormMonitor2::FrameWidth() const
{
    // Thick enough to be seen across the hall on any monitor.
    return nearlyFull_ ? std::max(8, std::min(width(), height()) / 24) : 0;
}

void TFormMonitor2::paintEvent(QPaintEvent *)
{
    const int frame = FrameWidth();
    if (frame == 0)
        return;
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(kNearlyFullColour));
    painter.fillRect(rect().adjusted(frame, frame, -frame, -frame), Qt::black);
}

void TFormMonitor2::FollowMonitors()
{
    const int target = TargetMonitor();
    if (isVisible()) {
        if (target >= 0) {
            setGeometry(MonitorRect(target));
            FitFont();
            return;
        }
        // Its monitor is gone: closed until it is back, rather than covering
        // the operator's.
        close();
        waitingForMonitor_ = true;
    } else if (waitingForMonitor_ && target >= 0) {
        show();
        if (operatorWindow_ && operatorWindow_->isVisible())
            operatorWindow_->raise();
    }
}

void TFormMonitor2::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // A window manager raises a monitor-sized window that has the focus over
    // every other one, the operator's stay-on-top window too: a click on the
    // display hands the focus back to the operator's window, where the keys
    // act just the same. Hidden in the notification area, it stays hidden.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        QTimer::singleShot(0, this, [this] {
            if (isActiveWindow() && operatorWindow_ && operatorWindow_->isVisible()
                && !operatorWindow_->isMinimized()) {
                operatorWindow_->raise();
                operatorWindow_->activateWindow();
            }
        });
    }
}

void TFormMonitor2::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void TFormMonitor2::FormClose()
{
    ShowTVSwitch(false);
}

void TFormMonitor2::ShowTVSwitch(bool displayOpen)
{
    if (!imageTVAus_ || !imageTVEin_)
        return;
    imageTVAus_->setVisible(!displayOpen);
    imageTVEin_->setVisible(imageTVAus_->isHidden());
}

void TFormMonitor2::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Label3D1->setGeometry(rect());
    LabelMax->setGeometry(rect());
    ImageStop->setGeometry(rect());
    FitStopPicture();
}

void TFormMonitor2::FitStopPicture()
{
    // Drawn only once it shows: most runs never fill the hall, and drawing
    // it at a TV's size takes the start milliseconds.
    if (ImageStop->isHidden())
        return;
    // As large as fits with its proportions kept, drawn afresh for this size
    // so that it stays sharp on a large TV.
    const QSize fitted = kStopPictureSize.scaled(size(), Qt::KeepAspectRatio);
    if (ImageStop->pixmap().size() != fitted)
        ImageStop->setPixmap(Artwork(QStringLiteral("stop_sign"), fitted));
}
