#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

// The application as a whole, as components see it: its main window (the
// first window the program creates) and its minimise event, raised after
// that window was minimised.
class ApplicationEvents : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject *sender)>;

    static ApplicationEvents &Instance();

    QWidget *MainWindow() const { return mainWindow_; }
    void SetMainWindow(QWidget *window);

    TNotifyEvent OnMinimize;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> mainWindow_;
};
