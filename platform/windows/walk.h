// Folder walks on the Windows platform: names as listings show them, entries
// in NTFS order, the walk down a folder tree by handle that the copy and the
// deletes share, and links removed as links (links.cpp).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/windows/nt.h"

namespace tembrel {

// A name as the listings show it: each control character a '?', so that no
// name can move the cursor or clear the screen, and each character that
// changes the direction of writing, so that none reads backwards.
std::wstring shownName(std::wstring_view name);

// The entry `name` in the folder; a drive's root ends in "\" already.
std::wstring inFolder(const std::wstring& folder, std::wstring_view name);

// The name in upper case, as NTFS compares names.
std::wstring upperCase(std::wstring name);

// Sorts entries in the order NTFS keeps them: names compared in upper case.
void sortInNtfsOrder(std::vector<Entry>& entries);

// A folder of a walk, held open (others may not delete or rename it) until
// all in it is done.
struct Folder {
    Handle handle;
    std::wstring real;        // under Wine, the name the system keeps for it (wine.h)
    Handle beside;            // the visitor's folder paired with it: the copy's destination
    std::wstring besideReal;  // and that one's real name
    bool left = false;        // something in it stays: set by the visitor, passed up by the walk
    // The walk's own: its name as shown, the folder above in the stack, the
    // depth below the top or below where it was moved to.
    std::wstring name;
    std::size_t parent = 0, shownEnd = 0;
    int depth = 0;
    bool listed = false;
};

// An entry met in a folder's listing, opened relative to the folder as
// itself (a reparse point as the reparse point) and checked.
struct Met {
    explicit Met(const Entry& entry) : listed(entry) {}
    const Entry& listed;  // as the listing tells it
    Handle handle;        // open where the open worked, even when `error` is the describe's
    Described described;  // as the open handle tells it
    DWORD error = 0;      // of the open or the describe
    bool link = false;    // listed or opened as a link, or under Wine not where its name says
    std::wstring real;    // the name it should have, or under Wine the real one it has
};

// What a walk does with what it meets. `shown` is the path of the folder or
// entry below the top (the top's is ""), each name as shownName shows it.
// The walk goes folder by folder: a folder's entries in NTFS order, then its
// subfolders one after the other, each with all it holds, as xcopy copies.
class Visitor {
public:
    // The folder's turn: its listing is read. `error` where it broke off,
    // `partly` where some entries were read (they are walked all the same).
    virtual void listing(Folder& folder, const std::wstring& shown, DWORD error, bool partly) = 0;
    // A subfolder met, open as `into`, which the visitor may pair: true to
    // walk it when its turn comes, false to pass it by.
    virtual bool enter(Folder& folder, const Entry& listed, const std::wstring& shown, Folder& into) = 0;
    // Any other entry: a file, a link, a device or pipe, one that would not open.
    virtual void file(Folder& folder, Met& met, const std::wstring& shown) = 0;
    // All in the folder is done; it closes after this.
    virtual void leave(Folder& folder, const std::wstring& shown) = 0;

protected:
    ~Visitor() = default;
};

// Walks the tree of `top`, opened as itself (openTop), from an explicit
// stack of open folders, so that no depth runs the program out of stack.
// Each entry is opened with `access` relative to its folder's handle as what
// it is, so a link put in place of a name is never followed. Given
// `hoisted`, the count of names given so far, under Wine a folder more than
// a few dozen levels below where the walk stands is first moved up into the
// top folder, by its own handle (quirk 4 of wine.h).
void walkTree(Folder top, Access access, Visitor& visitor, unsigned long* hoisted = nullptr);

// Opens the folder at the long path as itself, with its real name, for the
// top of a walk: false where it could not be opened (`error` says why) or
// is no folder, a link, or (Wine) not where its name says (`error` 0).
bool openTop(const std::wstring& path, Access access, Handle& out, std::wstring& real, DWORD& error);

// Removes the link (a reparse point) open as `link`, as a link, never what
// it leads to (removeOpen). Returns 0 or the error; ERROR_NOT_SUPPORTED
// where links are never removed (under Wine, wine.h) or where it is no link.
DWORD removeLink(HANDLE link);

// Removes the link at the path, as a link: 0 where it is gone or none was
// there, else the error. The deletes deal with the links inside a folder.
DWORD removeLink(const std::wstring& path);
DWORD removeLink(const wchar_t* path) = delete;  // would be taken for a HANDLE

}  // namespace tembrel
