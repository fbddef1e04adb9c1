#include "widgets/TTrayIcon.h"

#include "desktop/QtNotificationArea.h"
#include "desktop/TNotifyWindow.h"
#include "widgets/ApplicationEvents.h"
#include "widgets/TImageList.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>
#include <QWidget>

TTrayIcon::TTrayIcon(QObject *owner, std::unique_ptr<NotificationArea> area)
    : QObject(owner), area_(area ? std::move(area) : std::make_unique<QtNotificationArea>())
{
    notifyWindow_ = new TNotifyWindow(
        [this](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
            return NotifyWndProc(message, wParam, lParam);
        },
        this);
    trayMessage_ = TNotifyWindow::RegisterWindowMessage(QStringLiteral("WM_TOOLTRAYICON"));
    resetToolTipMessage_ = TNotifyWindow::RegisterWindowMessage(QStringLiteral("WM_RESETTOOLTIP"));
    animateTimer_ = new QTimer(this);
    animateTimer_->setInterval(animateInterval_);
    connect(animateTimer_, &QTimer::timeout, this, &TTrayIcon::AnimateStep);

    OnDblClick = [this](QObject *) { RestoreApp(); };
    ApplicationEvents &application = ApplicationEvents::Instance();
    previousOnMinimize_ = application.OnMinimize;
    application.OnMinimize = [this](QObject *sender) { AppMinimize(sender); };
}

TTrayIcon::~TTrayIcon()
{
    if (active_)
        DeleteIcon();
    // Hand the application's minimise event back; nothing may call a gone icon.
    ApplicationEvents::Instance().OnMinimize = previousOnMinimize_;
}

void TTrayIcon::SetActive(bool active)
{
    if (active == active_)
        return;
    active_ = active;
    if (active)
        AddIcon();
    else
        DeleteIcon();
}

void TTrayIcon::SetAnimate(bool animate)
{
    if (animate && (!images_ || images_->Count() == 0 || !active_))
        return;
    const bool wasAnimating = animate_;
    animate_ = animate;
    if (animate) {
        savedIcon_ = icon_;
        currentImage_ = 0;
    }
    if (animate_)
        animateTimer_->start();
    else
        animateTimer_->stop();
    // Only an animation that ran has an icon to put back.
    if (!animate && wasAnimating)
        SetIcon(savedIcon_);
}

void TTrayIcon::SetAnimateInterval(int milliseconds)
{
    if (milliseconds <= 0)
        return;
    animateInterval_ = milliseconds;
    animateTimer_->setInterval(milliseconds);
}

void TTrayIcon::SetIcon(const QIcon &icon)
{
    if (&icon == &icon_)
        return;
    icon_ = icon;
    ModifyIcon(NIF_ICON);
}

void TTrayIcon::SetImages(TImageList *images)
{
    if (images_)
        disconnect(images_, nullptr, this, nullptr);
    images_ = images;
    if (images) {
        connect(images, &QObject::destroyed, this, [this] {
            SetAnimate(false);
            images_ = nullptr;
        });
    }
}

void TTrayIcon::SetToolTip(const QString &text)
{
    toolTip_ = text.left(kMaxToolTip);
    ModifyIcon(NIF_ICON | NIF_TIP);
}

bool TTrayIcon::AreaAvailable() const
{
    return area_->Available();
}

void TTrayIcon::ShowMessage(const QString &title, const QString &text)
{
    if (active_)
        area_->ShowMessage(iconData_, title, text);
}

bool TTrayIcon::AddIcon()
{
    if (icon_.isNull())
        icon_ = QGuiApplication::windowIcon();
    FillIconData(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    const bool added = area_->Notify(NotifyRequest::Add, iconData_);
    // Some notification areas show no tip added together with the icon.
    if (toolTip_.isEmpty())
        notifyWindow_->Post(resetToolTipMessage_, 0, 0);
    return added;
}

bool TTrayIcon::ModifyIcon(std::uint32_t parts)
{
    FillIconData(parts);
    // While off the parts are only kept for the next AddIcon.
    if (!active_)
        return true;
    return area_->Notify(NotifyRequest::Modify, iconData_);
}

bool TTrayIcon::DeleteIcon()
{
    return area_->Notify(NotifyRequest::Delete, iconData_);
}

void TTrayIcon::FillIconData(std::uint32_t parts)
{
    iconData_.Size = NotifyIconData::kSize;
    iconData_.Window = notifyWindow_;
    iconData_.ID = 0;
    iconData_.Flags = 0;
    if (parts & NIF_MESSAGE) {
        iconData_.Flags |= NIF_MESSAGE;
        iconData_.CallbackMessage = trayMessage_;
    }
    if (parts & NIF_ICON) {
        iconData_.Flags |= NIF_ICON;
        iconData_.Icon = icon_;
    }
    if (parts & NIF_TIP) {
        iconData_.Flags |= NIF_TIP;
        iconData_.Tip = toolTip_.left(NotifyIconData::kTipLength - 1);
    }
}

std::intptr_t TTrayIcon::NotifyWndProc(std::uint32_t message, std::uintptr_t, std::intptr_t lParam)
{
    if (message == resetToolTipMessage_) {
        SetToolTip(toolTip_);
    } else if (message == trayMessage_) {
        switch (lParam) {
        case WM_LBUTTONUP:
            if (OnClick)
                OnClick(this);
            break;
        case WM_LBUTTONDBLCLK:
            if (OnDblClick)
                OnDblClick(this);
            break;
        case WM_RBUTTONUP:
            RightClick();
            break;
        default:
            break;
        }
    }
    return 0;
}

void TTrayIcon::RightClick()
{
    const QPoint cursor = QCursor::pos();
    if (popupMenu_)
        popupMenu_->exec(cursor);
    if (OnRightClick)
        OnRightClick(this, Qt::RightButton, Qt::NoModifier, cursor.x(), cursor.y());
}

void TTrayIcon::AnimateStep()
{
    if (!images_ || images_->Count() == 0)
        return;
    currentImage_ = currentImage_ >= images_->Count() - 1 ? 0 : currentImage_ + 1;
    SetIcon(images_->GetIcon(currentImage_));
}

void TTrayIcon::AppMinimize(QObject *sender)
{
    if (previousOnMinimize_)
        previousOnMinimize_(sender);
    if (minimizeApp_)
        MinimizeToTray();
}

void TTrayIcon::MinimizeToTray()
{
    if (active_)
        return;
    // Hiding the window also takes its taskbar entry away.
    if (QWidget *main = ApplicationEvents::Instance().MainWindow())
        main->hide();
    SetActive(true);
}

void TTrayIcon::RestoreApp()
{
    if (!active_)
        return;
    if (QWidget *main = ApplicationEvents::Instance().MainWindow()) {
        main->showNormal();
        main->raise();
        main->activateWindow();
    }
    SetActive(false);
}
