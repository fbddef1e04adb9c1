#include "desktop/WaylandFallback.h"

#include <QtGlobal>

bool ShouldRunOnXWayland(const QStringList &arguments, bool waylandDisplay, bool xDisplay, bool platformAsked)
{
    if (!waylandDisplay || !xDisplay || platformAsked)
        return false;
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("-platform") || argument == QLatin1String("--platform")
            || argument.startsWith(QLatin1String("-platform=")) || argument.startsWith(QLatin1String("--platform=")))
            return false;
    }
    return true;
}

bool RunOnXWaylandIfWanted(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!ShouldRunOnXWayland(arguments, !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"),
                             !qEnvironmentVariableIsEmpty("DISPLAY"), !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")))
        return false;
    qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}
