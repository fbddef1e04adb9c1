#include "app/AfterFirstPaint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <utility>

namespace {

constexpr auto kLatest = std::chrono::seconds(2);

} // namespace

void AfterFirstPaint::Run(QWidget *window, std::function<void()> action)
{
    new AfterFirstPaint(window, std::move(action));
}

AfterFirstPaint::AfterFirstPaint(QWidget *window, std::function<void()> action)
    : QObject(window), action_(std::move(action))
{
    window->installEventFilter(this);
    QTimer::singleShot(0, this, [this, window] {
        if (!window->isVisible())
            Fire();
    });
    // Its timers end with it: once fired, nothing wakes for it.
    QTimer::singleShot(kLatest, this, &AfterFirstPaint::Fire);
}

bool AfterFirstPaint::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        // After the paint has reached the screen.
        QTimer::singleShot(0, this, &AfterFirstPaint::Fire);
    }
    return false;
}

void AfterFirstPaint::Fire()
{
    if (!action_)
        return;
    deleteLater();
    std::exchange(action_, nullptr)();
}
