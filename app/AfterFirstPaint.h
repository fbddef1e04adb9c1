#pragma once

#include <QObject>

#include <functional>

class QWidget;

// Runs an action once the event loop comes round after a window's first
// paint: work the start need not wait for, done when the window is on the
// screen. A window not shown at the loop's first pass (a start without it)
// has no paint to wait for; one that is shown but not painted (covered or
// minimised at once) waits two seconds at most.
class AfterFirstPaint : public QObject {
public:
    // Belongs to window, and ends with it if that goes first.
    static void Run(QWidget *window, std::function<void()> action);

private:
    AfterFirstPaint(QWidget *window, std::function<void()> action);
    bool eventFilter(QObject *watched, QEvent *event) override;
    void Fire();

    std::function<void()> action_;
};
