#include "widgets/HelpViewerLink.h"

#include <QFileInfo>

HelpViewerLink::HelpViewerLink(std::unique_ptr<HelpViewer> viewer, const std::function<void()> &warn)
    : viewer_(std::move(viewer)), warn_(warn)
{
    loaded_ = viewer_ && viewer_->Available();
    if (!loaded_ && warn_)
        warn_();
}

HelpViewerLink::~HelpViewerLink()
{
    if (loaded_)
        viewer_->CloseAll();
}

void HelpViewerLink::ShowTableOfContents(const QString &requestFile, const QString &applicationHelpFile)
{
    const QString helpFile = requestFile.isEmpty() ? applicationHelpFile : requestFile;
    if (helpFile.isEmpty() || !QFileInfo(helpFile).isFile())
        return;
    // A viewer installed since the start is found now; without one the
    // operator hears why nothing opens.
    loaded_ = loaded_ || (viewer_ && viewer_->Available());
    if (!loaded_) {
        if (warn_)
            warn_();
        return;
    }
    viewer_->DisplayTableOfContents(helpFile);
}
