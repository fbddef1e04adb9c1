#pragma once

#include <windows.h>

#include <string>

// The platform's HTML Help viewer, the library HHCTRL.OCX with its entry
// point HtmlHelpA, loaded once at start and unloaded at the end. A library
// without the entry point counts as missing.
class HtmlHelpLibrary {
public:
    HtmlHelpLibrary();
    ~HtmlHelpLibrary();

    HtmlHelpLibrary(const HtmlHelpLibrary &) = delete;
    HtmlHelpLibrary &operator=(const HtmlHelpLibrary &) = delete;

    bool Loaded() const { return htmlHelp_ != nullptr; }
    // Opens file on its table of contents, owned by the active window.
    void DisplayTableOfContents(const std::string &file);
    // Closes every help window, gives them a moment to go, and unloads the library.
    void CloseAll();

private:
    using HtmlHelpA = HWND(WINAPI *)(HWND, LPCSTR, UINT, DWORD_PTR);
    static constexpr UINT HH_DISPLAY_TOC = 0x0001;
    static constexpr UINT HH_CLOSE_ALL = 0x0012;

    HMODULE library_ = nullptr;
    HtmlHelpA htmlHelp_ = nullptr;
};
