#pragma once

#include <QObject>

#include <functional>

class QTimer;
class QWidget;
class TTrayIcon;

// Minimising the window hides it and its taskbar entry behind the tray
// icon where the desktop has a notification area; without one it minimises
// to the taskbar as usual, since hidden without an icon it could not be
// brought back. The area going away brings it back by itself.
class MinimiseToTray : public QObject {
public:
    // Watches window's state; the icon is shown only while the window hides.
    MinimiseToTray(QWidget &window, TTrayIcon &icon);

    // Called once the window is back and in front, to bring into reach and
    // back into view what belongs to it.
    std::function<void()> OnRestored;

    // Shows the window normal and in front out of the notification area.
    void Restore();
    // Shows the window normal and in front, from wherever it is.
    void ShowInFront();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Minimised();
    void Hide();

    QWidget &window_;
    TTrayIcon &icon_;
    // While hidden: looks out for the area going away.
    QTimer *watch_;
};
