#pragma once

#include <sys/types.h>

// Asks the X window manager to bring the windows of a process group (another
// program's) to the front, restored when minimised. False when it found none:
// without an X display, or a window manager that lists its windows.
bool RaiseProcessGroupWindows(pid_t group);
