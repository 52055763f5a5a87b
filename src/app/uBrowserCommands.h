#pragma once
// The window's side of the browser programs (src/settings/uBrowserPrograms.h): which
// of them can be started, and the texts of each one's "Open by" command and of its
// path's Browse dialog in Setup. One row per browser, in the same order.

#include "uTexts.h"

#include <settings/uBrowserPrograms.h>

#include <array>
#include <cstddef>

// Which browsers can be started: the ones whose path names an existing file. The
// Setup dialog keeps it up to date while the user edits the paths; the main window
// offers an "Open by" command for each available browser.
struct TBrowserAvailability
{
    std::array<bool, BrowserCount> Available{};

    bool& operator[](TBrowser B) { return Available[std::size_t(B)]; }
    bool operator[](TBrowser B) const { return Available[std::size_t(B)]; }
    bool operator==(const TBrowserAvailability&) const = default;
};

struct TBrowserCommand
{
    TBrowser Browser;
    const char* ActionName; // the object name of its context-menu action
    TText OpenCaption;      // "Open By Mozilla &Firefox"
    TText BrowseTitle;      // the title of Setup's file dialog for its path
};

inline const std::array<TBrowserCommand, BrowserCount>& BrowserCommands()
{
    static const std::array<TBrowserCommand, BrowserCount> Rows = {{
        {TBrowser::IE, "openInIEAction", TText::OpenInIEAction, TText::BrowseIETitle},
        {TBrowser::FF, "openInFirefoxAction", TText::OpenInFirefoxAction,
         TText::BrowseFirefoxTitle},
        {TBrowser::CH, "openInChromeAction", TText::OpenInChromeAction, TText::BrowseChromeTitle},
        {TBrowser::VI, "openInVivaldiAction", TText::OpenInVivaldiAction,
         TText::BrowseVivaldiTitle},
        {TBrowser::TR, "openInTorBrowserAction", TText::OpenInTorBrowserAction,
         TText::BrowseTorBrowserTitle},
        {TBrowser::PM, "openInPaleMoonAction", TText::OpenInPaleMoonAction,
         TText::BrowsePaleMoonTitle},
    }};
    return Rows;
}
