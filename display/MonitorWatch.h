#pragma once

#include <QObject>

class QScreen;

// Tells once, through the event loop, that monitors came, went or changed
// their size or place; several changes at one moment (a monitor removed
// and the others moved up) make one report.
class MonitorWatch : public QObject {
    Q_OBJECT
public:
    explicit MonitorWatch(QObject *parent = nullptr);

signals:
    void Changed();

private:
    void Watch(QScreen *screen);
    void Report();

    bool pending_ = false;
};
