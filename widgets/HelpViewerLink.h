#pragma once

#include "desktop/HelpViewer.h"

#include <functional>
#include <memory>

// The program's link to its help viewer, set up once before the first window
// and taken down at the end, which closes the help windows it opened.
class HelpViewerLink {
public:
    // Without a viewer available, warn runs at once, and again for each
    // request made while there still is none.
    HelpViewerLink(std::unique_ptr<HelpViewer> viewer, const std::function<void()> &warn);
    ~HelpViewerLink();

    HelpViewerLink(const HelpViewerLink &) = delete;
    HelpViewerLink &operator=(const HelpViewerLink &) = delete;

    // The program's manual: the file named after the program beside it, else
    // the one an installed package keeps in <prefix>/share/pontra/ for the
    // program in <prefix>/bin/. Beside the program when neither exists.
    static QString ApplicationHelpFile(const QString &programPath);

    bool Loaded() const { return loaded_; }
    // The table of contents of requestFile, or of applicationHelpFile when
    // the request names none. A file that does not exist shows nothing.
    void ShowTableOfContents(const QString &requestFile, const QString &applicationHelpFile);

private:
    std::unique_ptr<HelpViewer> viewer_;
    std::function<void()> warn_;
    bool loaded_ = false;
};
