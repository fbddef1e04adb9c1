#include "desktop/HtmlHelpLibrary.h"

HtmlHelpLibrary::HtmlHelpLibrary()
{
    library_ = LoadLibraryA("HHCTRL.OCX");
    if (!library_)
        return;
    htmlHelp_ = reinterpret_cast<HtmlHelpA>(reinterpret_cast<void *>(GetProcAddress(library_, "HtmlHelpA")));
    if (!htmlHelp_) {
        FreeLibrary(library_);
        library_ = nullptr;
    }
}

HtmlHelpLibrary::~HtmlHelpLibrary()
{
    CloseAll();
}

void HtmlHelpLibrary::DisplayTableOfContents(const std::string &file)
{
    if (htmlHelp_)
        htmlHelp_(GetActiveWindow(), file.c_str(), HH_DISPLAY_TOC, 0);
}

void HtmlHelpLibrary::CloseAll()
{
    if (!library_)
        return;
    htmlHelp_(nullptr, nullptr, HH_CLOSE_ALL, 0);
    // The help windows close on their own thread; give them the moment
    // before their code is unloaded.
    Sleep(100);
    FreeLibrary(library_);
    library_ = nullptr;
    htmlHelp_ = nullptr;
}
