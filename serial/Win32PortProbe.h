#pragma once

#include "serial/Win32Kernel32.h"

// Whether COMn is present: it opens as the port component opens it, and the
// system reports a character device; the handle is closed again.
bool Win32PortPresent(const Kernel32 &api, int port);
