#include "desktop/ExternalChmViewer.h"
#include "desktop/PlatformHelpViewer.h"

std::unique_ptr<HelpViewer> NewPlatformHelpViewer()
{
    return std::make_unique<ExternalChmViewer>();
}
