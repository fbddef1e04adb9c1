#pragma once

#include <QString>

#include <memory>

// Keeps the screen saver and the monitors' power saving away while held: the
// public display must not go dark for lack of key presses. Hold and Release
// never wait for the system.
class IdleInhibit {
public:
    virtual ~IdleInhibit() = default;
    // Asks the system to stay awake, for the reason given; again while held
    // does nothing.
    virtual void Hold(const QString &reason) = 0;
    // Lets the system idle again; without a hold, nothing happens.
    virtual void Release() = 0;
};

// The platform's: org.freedesktop.ScreenSaver on the session bus under
// Linux, the thread's execution state under Windows.
std::unique_ptr<IdleInhibit> NewPlatformIdleInhibit();
