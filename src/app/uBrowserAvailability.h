#pragma once
// Which of the six browsers of the settings can be started: the ones whose path names
// an existing file. The Setup dialog keeps it up to date while the user edits the
// paths; the main window offers an "Open by" command for each available browser.

struct TBrowserAvailability
{
    bool IE = false;
    bool FF = false;
    bool CH = false;
    bool VI = false;
    bool TR = false;
    bool PM = false;

    bool operator==(const TBrowserAvailability&) const = default;
};
