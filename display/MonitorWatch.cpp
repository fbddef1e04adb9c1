#include "display/MonitorWatch.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

MonitorWatch::MonitorWatch(QObject *parent) : QObject(parent)
{
    for (QScreen *screen : QGuiApplication::screens())
        Watch(screen);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen *screen) {
        Watch(screen);
        Report();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &MonitorWatch::Report);
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &MonitorWatch::Report);
}

void MonitorWatch::Watch(QScreen *screen)
{
    connect(screen, &QScreen::geometryChanged, this, &MonitorWatch::Report);
}

void MonitorWatch::Report()
{
    if (pending_)
        return;
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
        pending_ = false;
        emit Changed();
    });
}
