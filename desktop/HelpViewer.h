#pragma once

#include <QString>

// The program that shows the help file. The program asks it for one thing:
// a help file opened on its table of contents.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;

    // Whether there is a viewer to show help files at all. Asked again after
    // a no, a viewer that can be installed while the program runs looks anew.
    virtual bool Available() = 0;
    // Opens an existing help file on its table of contents.
    virtual void DisplayTableOfContents(const QString &helpFile) = 0;
    // Closes every help window opened through this viewer.
    virtual void CloseAll() = 0;
};
