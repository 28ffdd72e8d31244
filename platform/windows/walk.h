// Folder walks on the Windows platform: entries in NTFS order, their kinds,
// names as listings show them, and links removed as links (links.cpp).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace tembrel {

// A name as the listings show it: each control character a '?', so that no
// name can move the cursor or clear the screen.
std::wstring shownName(std::wstring_view name);

// The entry `name` in the folder; a drive's root ends in "\" already.
std::wstring inFolder(const std::wstring& folder, std::wstring_view name);

struct Entry {
    std::wstring name;
    DWORD attributes;
    DWORD tag;  // the reparse point's kind, where it is one
    // A junction, a symbolic link, a mount point: a reparse point that names
    // something elsewhere. Other reparse points (files in the cloud, files
    // deduplicated or compressed by the system) hold their own data. A
    // reparse point without a kind is one of Wine's Unix links (wine.h).
    bool isLink() const {
        constexpr DWORD namesElsewhere = 0x20000000;
        return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && (tag == 0 || (tag & namesElsewhere));
    }
    bool isFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// Sorts entries in the order NTFS keeps them: names compared in upper case.
void sortInNtfsOrder(std::vector<Entry>& entries);

// Removes the link (a reparse point) open as `link`, as a link, never what
// it leads to; its own read-only mark is cleared first. Returns 0 or the
// error; ERROR_NOT_SUPPORTED where links are never removed (under Wine,
// wine.h) or where it is no link.
DWORD removeLink(HANDLE link);

// Removes the link at the path, as a link: 0 where it is gone or none was
// there, else the error. The deletes deal with the links inside a folder.
DWORD removeLink(const std::wstring& path);
DWORD removeLink(const wchar_t* path) = delete;  // would be taken for a HANDLE

}  // namespace tembrel
