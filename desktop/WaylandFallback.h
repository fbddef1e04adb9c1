#pragma once

#include <QStringList>

// Under a Wayland session Qt would take its wayland plugin, where an ordinary
// window can neither stay on top nor choose its monitor. With XWayland at
// hand (DISPLAY set) and no platform asked for (QT_QPA_PLATFORM, -platform),
// the program runs on xcb instead.
bool ShouldRunOnXWayland(const QStringList &arguments, bool waylandDisplay, bool xDisplay, bool platformAsked);

// Sets QT_QPA_PLATFORM=xcb where ShouldRunOnXWayland says so, before the
// application object exists; true when it did.
bool RunOnXWaylandIfWanted(int argc, char *argv[]);
