#include "desktop/IdleInhibit.h"
#include "desktop/ScreenSaverInhibit.h"

#include <QCoreApplication>

std::unique_ptr<IdleInhibit> NewPlatformIdleInhibit()
{
    return std::make_unique<ScreenSaverInhibit>(QDBusConnection::sessionBus(), QCoreApplication::applicationName());
}
