#pragma once

#include "desktop/HelpViewer.h"

#include <memory>

// The help viewer of the platform the program is built for: the build picks
// the source file that defines it (an external CHM viewer on Linux, the HTML
// Help library on Windows).
std::unique_ptr<HelpViewer> NewPlatformHelpViewer();
