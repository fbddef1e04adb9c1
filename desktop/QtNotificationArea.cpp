#include "desktop/QtNotificationArea.h"

#include "desktop/TNotifyWindow.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QSystemTrayIcon>

QtNotificationArea::QtNotificationArea() = default;

QtNotificationArea::~QtNotificationArea()
{
    for (auto &[key, icon] : icons_)
        delete icon.tray;
    if (pending_.message)
        qApp->removeEventFilter(this);
}

bool QtNotificationArea::Available() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtNotificationArea::Notify(NotifyRequest request, const NotifyIconData &data)
{
    const IconKey key{data.Window, data.ID};
    auto found = icons_.find(key);
    switch (request) {
    case NotifyRequest::Add: {
        if (found != icons_.end())
            return false;
        Icon &icon = icons_[key];
        icon.tray = new QSystemTrayIcon();
        connect(icon.tray, &QSystemTrayIcon::activated, this, [this, key](QSystemTrayIcon::ActivationReason reason) {
            switch (reason) {
            case QSystemTrayIcon::Trigger:
                Report(key, WM_LBUTTONUP, Qt::LeftButton);
                break;
            case QSystemTrayIcon::DoubleClick:
                Report(key, WM_LBUTTONDBLCLK, Qt::NoButton);
                break;
            case QSystemTrayIcon::Context:
                Report(key, WM_RBUTTONUP, Qt::RightButton);
                break;
            case QSystemTrayIcon::MiddleClick:
                Report(key, WM_MBUTTONUP, Qt::MiddleButton);
                break;
            default:
                break;
            }
        });
        Apply(icon, data);
        icon.tray->show();
        return Available();
    }
    case NotifyRequest::Modify:
        if (found == icons_.end())
            return false;
        Apply(found->second, data);
        return true;
    case NotifyRequest::Delete:
        if (found == icons_.end())
            return false;
        // Deleted later: the request may come from inside the icon's own click.
        found->second.tray->hide();
        found->second.tray->deleteLater();
        icons_.erase(found);
        return true;
    }
    return false;
}

void QtNotificationArea::Apply(Icon &icon, const NotifyIconData &data)
{
    if (data.Flags & NIF_MESSAGE)
        icon.callbackMessage = data.CallbackMessage;
    if (data.Flags & NIF_ICON)
        icon.tray->setIcon(data.Icon);
    if (data.Flags & NIF_TIP)
        icon.tray->setToolTip(data.Tip);
}

void QtNotificationArea::ShowMessage(const NotifyIconData &data, const QString &title, const QString &text)
{
    const auto found = icons_.find({data.Window, data.ID});
    if (found != icons_.end())
        found->second.tray->showMessage(title, text, QSystemTrayIcon::Warning);
}

void QtNotificationArea::Report(IconKey key, std::uint32_t mouseMessage, Qt::MouseButton heldButton)
{
    // The XEmbed tray reports a click at the press; a StatusNotifier host
    // reports it once it is over, with no button held here.
    if (heldButton != Qt::NoButton && (QGuiApplication::mouseButtons() & heldButton)) {
        if (!pending_.message)
            qApp->installEventFilter(this);
        pending_ = {key, mouseMessage, heldButton};
        return;
    }
    auto found = icons_.find(key);
    if (found == icons_.end() || !found->second.callbackMessage)
        return;
    key.first->Post(found->second.callbackMessage, key.second, mouseMessage);
}

bool QtNotificationArea::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == pending_.button) {
        const Pending released = pending_;
        pending_ = {};
        qApp->removeEventFilter(this);
        Report(released.key, released.message, Qt::NoButton);
    }
    return QObject::eventFilter(watched, event);
}
