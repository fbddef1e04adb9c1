#pragma once

#include "desktop/HelpViewer.h"
#include "desktop/HtmlHelpLibrary.h"

// Help files shown by the platform's HTML Help viewer (HHCTRL.OCX).
class HtmlHelpViewer final : public HelpViewer {
public:
    bool Available() override { return library_.Loaded(); }
    void DisplayTableOfContents(const QString &helpFile) override
    {
        library_.DisplayTableOfContents(helpFile.toLocal8Bit().toStdString());
    }
    void CloseAll() override { library_.CloseAll(); }

private:
    HtmlHelpLibrary library_;
};
