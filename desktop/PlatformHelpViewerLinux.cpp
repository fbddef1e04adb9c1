#include "widgets/ExternalChmViewer.h"
#include "widgets/PlatformHelpViewer.h"

std::unique_ptr<HelpViewer> NewPlatformHelpViewer()
{
    return std::make_unique<ExternalChmViewer>();
}
