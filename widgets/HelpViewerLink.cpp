#include "widgets/HelpViewerLink.h"

#include <QDir>
#include <QFileInfo>

HelpViewerLink::HelpViewerLink(std::unique_ptr<HelpViewer> viewer, const std::function<void()> &warn)
    : viewer_(std::move(viewer)), warn_(warn)
{
    loaded_ = viewer_ && viewer_->Available();
    if (!loaded_ && warn_)
        warn_();
}

QString HelpViewerLink::ApplicationHelpFile(const QString &programPath)
{
    const QFileInfo program(programPath);
    const QString beside = program.dir().filePath(program.completeBaseName() + QStringLiteral(".chm"));
    // The package's manual keeps its name whatever the program file is called.
    const QString installed = QDir::cleanPath(program.dir().filePath(QStringLiteral(PONTRA_INSTALLED_HELP_FILE)));
    if (!QFileInfo(beside).isFile() && QFileInfo(installed).isFile())
        return installed;
    return beside;
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
