#include "widgets/MinimiseToTray.h"

#include "widgets/TTrayIcon.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindowStateChangeEvent>

MinimiseToTray::MinimiseToTray(QWidget &window, TTrayIcon &icon) : QObject(&window), window_(window), icon_(icon)
{
    watch_ = new QTimer(this);
    watch_->setInterval(1000);
    connect(watch_, &QTimer::timeout, this, [this] {
        // A panel that quits or restarts takes the icon with it.
        if (!icon_.AreaAvailable())
            Restore();
    });
    window.installEventFilter(this);
}

bool MinimiseToTray::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &window_ && event->type() == QEvent::WindowStateChange
        && !(static_cast<QWindowStateChangeEvent *>(event)->oldState() & Qt::WindowMinimized) && window_.isMinimized())
        Minimised();
    return QObject::eventFilter(watched, event);
}

void MinimiseToTray::Minimised()
{
    if (QApplication::activeModalWidget()) {
        // Minimised together with an open dialog, which comes back by
        // itself: the window comes back with it instead of going away.
        QTimer::singleShot(0, this, [this] {
            if (window_.isMinimized() && window_.isVisible())
                window_.showNormal();
        });
        return;
    }
    // After the window manager is done with its own minimising.
    if (icon_.AreaAvailable())
        QTimer::singleShot(0, this, &MinimiseToTray::Hide);
}

void MinimiseToTray::Hide()
{
    if (!window_.isMinimized())
        return;
    // Left minimised while hidden: clearing the state now would map the
    // window again under X11. Showing it normal ends both.
    window_.hide();
    icon_.SetActive(true);
    watch_->start();
}

void MinimiseToTray::Restore()
{
    icon_.SetActive(false);
    watch_->stop();
    window_.showNormal();
    window_.raise();
    window_.activateWindow();
    if (OnRestored)
        OnRestored();
}

void MinimiseToTray::ShowInFront()
{
    if (icon_.Active()) {
        Restore();
        return;
    }
    window_.showNormal();
    window_.raise();
    window_.activateWindow();
}
