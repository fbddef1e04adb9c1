#include "widgets/HelpViewerLink.h"

#include <QFileInfo>

HelpViewerLink::HelpViewerLink(std::unique_ptr<HelpViewer> viewer, const std::function<void()> &warn)
    : viewer_(std::move(viewer))
{
    loaded_ = viewer_ && viewer_->Available();
    if (!loaded_ && warn)
        warn();
}

HelpViewerLink::~HelpViewerLink()
{
    if (loaded_)
        viewer_->CloseAll();
}

void HelpViewerLink::ShowTableOfContents(const QString &requestFile, const QString &applicationHelpFile)
{
    if (!loaded_)
        return;
    const QString helpFile = requestFile.isEmpty() ? applicationHelpFile : requestFile;
    if (helpFile.isEmpty() || !QFileInfo(helpFile).isFile())
        return;
    viewer_->DisplayTableOfContents(helpFile);
}
