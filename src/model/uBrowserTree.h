#pragma once
// The shape of the browsers' trees beyond the entries' categories: which folder is
// the toolbar, the menu, the other or the mobile bookmarks (landmarks), where each
// item stood among its folder's items, the separators and the folders that were
// empty. GUI-free.
//
// Entries stay a flat list; a folder is still the category text of its entries
// ("A\B", "" for the top level). What the tree adds:
// - every entry carries its place among its folder's items (TWebSite::Place);
// - the list holds a TBrowserTree: per folder met in a source, its landmark, its
//   own place among its parent's items, the places of its separators, the last
//   place given out in it, and whether it came empty.
// A place is a number within one folder, counted up as the folder's items are
// read (links, sub-folders and separators share the count); 0 means "no known
// place" (shortcut files, drops, entries made here). A later read into the same
// folder continues the count, so its items follow the earlier ones. The count
// stops at MaxTreePlace: items past it keep that place and the order they have
// in the list.

#include <QHash>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

struct TWebSite;

enum class TLandmark : std::uint8_t
{
    None,
    Menu,    // Firefox's bookmarks menu: the top level of its export (the <H1>)
    Toolbar, // the bookmarks toolbar, Chromium's bookmarks bar
    Other,   // Firefox's "Other Bookmarks" (unfiled)
    Mobile   // the mobile bookmarks of either family
};

using TTreePlace = std::uint16_t;
inline constexpr TTreePlace MaxTreePlace = 0xFFFF;

struct TFolderInfo
{
    QString Path; // the category of its entries; "" for the top level
    TLandmark Landmark = TLandmark::None;
    TTreePlace Place = 0;               // among its parent's items; 0 not known
    TTreePlace Last = 0;                // the last place given out among its own items
    std::vector<TTreePlace> Separators; // places of its separators, ascending
    // Came with no bookmark in it or below: written even though no entry names it.
    // A folder emptied here is not (nothing in this program shows folders).
    bool KeepEmpty = false;

    bool operator==(const TFolderInfo&) const = default;
};

class TBrowserTree
{
public:
    int Count() const { return int(FFolders.size()); }
    bool isEmpty() const { return FFolders.empty(); }
    const TFolderInfo& At(int Index) const { return FFolders[size_t(Index)]; }
    // The folder of that category, or -1 / nullptr.
    int Find(QStringView Path) const;
    const TFolderInfo* Info(QStringView Path) const;
    // The folder holding Landmark, or -1.
    int LandmarkFolder(TLandmark Landmark) const;

    // The top level, registered when first asked for.
    int Root();
    // A folder met while reading, inside Parent: registered with the next place
    // among Parent's items, unless its path is known already. A toolbar, other or
    // mobile folder becomes the one the table already holds under another name
    // (each browser names its toolbar in its own language), and its index comes
    // back; otherwise a folder takes the landmark when no folder has it yet.
    int Enter(int Parent, const QString& Path, TLandmark Landmark = TLandmark::None);
    // The next place among Folder's items.
    TTreePlace Place(int Folder);
    // A separator at the next place of Folder.
    void AddSeparator(int Folder);
    // The landmark of Folder, when no other folder holds it.
    void SetLandmark(int Folder, TLandmark Landmark);
    void SetKeepEmpty(int Folder, bool Keep) { FFolders[size_t(Folder)].KeepEmpty = Keep; }
    // Forgets every folder's place and separators; landmarks and empty folders stay.
    void ForgetPlaces();
    void Clear();

    // Takes in the folders of another read, whose entries are Sites: the folders
    // join this table as Enter would have them, the entries' places follow what
    // each folder held here, and categories inside a landmark folder this table
    // holds under another name take that name.
    void Merge(const TBrowserTree& From, std::vector<TWebSite>& Sites);
    void Merge(const TBrowserTree& From, TWebSite* Sites, qsizetype Count);

    bool operator==(const TBrowserTree& Other) const { return FFolders == Other.FFolders; }

private:
    int Add(TFolderInfo Info);

    std::vector<TFolderInfo> FFolders; // in the order met: a parent before its folders
    QHash<QString, int> FIndex;
    int FLandmarks[5] = {-1, -1, -1, -1, -1}; // the folder of each landmark
};

// "menu", "toolbar", "other", "mobile"; "" for none. The words of the CLI's output.
const char* LandmarkWord(TLandmark Landmark);
TLandmark LandmarkFromWord(QStringView Word);
