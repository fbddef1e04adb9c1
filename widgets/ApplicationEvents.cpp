#include "widgets/ApplicationEvents.h"

#include <QEvent>
#include <QTimer>
#include <QWindowStateChangeEvent>

ApplicationEvents &ApplicationEvents::Instance()
{
    static ApplicationEvents instance;
    return instance;
}

void ApplicationEvents::SetMainWindow(QWidget *window)
{
    if (mainWindow_)
        mainWindow_->removeEventFilter(this);
    mainWindow_ = window;
    if (window)
        window->installEventFilter(this);
}

bool ApplicationEvents::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mainWindow_ && event->type() == QEvent::WindowStateChange) {
        const auto *change = static_cast<QWindowStateChangeEvent *>(event);
        const bool minimised = mainWindow_->windowState() & Qt::WindowMinimized;
        // Raised once the minimising is over, so that a handler may hide the window.
        if (minimised && !(change->oldState() & Qt::WindowMinimized)) {
            QTimer::singleShot(0, this, [this] {
                if (mainWindow_ && mainWindow_->isMinimized() && OnMinimize)
                    OnMinimize(this);
            });
        }
    }
    return QObject::eventFilter(watched, event);
}
