#pragma once
// The window's side of the browser programs (src/settings/uBrowserPrograms.h): which
// of them can be started, and the texts of each one's "Open by" command and of its
// path's Browse dialog in Setup. One row per browser, in the same order.

#include <QtGlobal>

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
    const char* ActionName;  // the object name of its context-menu action
    const char* OpenCaption; // "Open by &Firefox"
    const char* BrowseTitle; // the title of Setup's file dialog for its path
};

inline const std::array<TBrowserCommand, BrowserCount>& BrowserCommands()
{
    static const std::array<TBrowserCommand, BrowserCount> Rows = {{
        {TBrowser::IE, "openInIEAction",
         QT_TRANSLATE_NOOP("TBrowserCommand", "Open by &Internet Explorer"),
         QT_TRANSLATE_NOOP("TBrowserCommand", "Path of Internet Explorer")},
        {TBrowser::FF, "openInFirefoxAction",
         QT_TRANSLATE_NOOP("TBrowserCommand", "Open by &Firefox"),
         QT_TRANSLATE_NOOP("TBrowserCommand", "Path of Mozilla Firefox")},
        {TBrowser::CH, "openInChromeAction",
         QT_TRANSLATE_NOOP("TBrowserCommand", "Open by &Chrome"),
         QT_TRANSLATE_NOOP("TBrowserCommand", "Path of Google Chrome")},
        {TBrowser::VI, "openInVivaldiAction",
         QT_TRANSLATE_NOOP("TBrowserCommand", "Open by &Vivaldi"),
         QT_TRANSLATE_NOOP("TBrowserCommand", "Path of Vivaldi")},
        {TBrowser::TR, "openInTorBrowserAction",
         QT_TRANSLATE_NOOP("TBrowserCommand", "Open By &Tor Browser"),
         QT_TRANSLATE_NOOP("TBrowserCommand", "Path of Tor Browser")},
        {TBrowser::PM, "openInPaleMoonAction",
         QT_TRANSLATE_NOOP("TBrowserCommand", "Open By &Pale Moon"),
         QT_TRANSLATE_NOOP("TBrowserCommand", "Path of Pale Moon")},
    }};
    return Rows;
}
