#include "display/Monitors.h"

#include <QGuiApplication>
#include <QScreen>

int MonitorCount()
{
    return static_cast<int>(QGuiApplication::screens().size());
}

QRect MonitorRect(int index)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (index >= 0 && index < screens.size())
        return screens.at(index)->geometry();
    return PrimaryMonitorRect();
}

QRect PrimaryMonitorRect()
{
    QScreen *primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry() : QRect();
}

QList<QRect> MonitorRects()
{
    QList<QRect> monitors;
    for (int index = 0; index < MonitorCount(); ++index)
        monitors << MonitorRect(index);
    return monitors;
}

int DisplayMonitorIndex(const QList<QRect> &monitors, std::optional<int> chosen, QPoint operatorCentre)
{
    if (chosen)
        return *chosen >= 0 && *chosen < monitors.size() ? *chosen : -1;
    for (qsizetype index = 0; index < monitors.size(); ++index) {
        if (!monitors[index].contains(operatorCentre))
            return int(index);
    }
    return -1;
}
