// Folder walks on the Windows platform: entries in NTFS order, their kinds,
// names as listings show them, and links removed as links (links.cpp).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/windows/nt.h"

namespace tembrel {

// A name as the listings show it: each control character a '?', so that no
// name can move the cursor or clear the screen.
std::wstring shownName(std::wstring_view name);

// The entry `name` in the folder; a drive's root ends in "\" already.
std::wstring inFolder(const std::wstring& folder, std::wstring_view name);

// The name in upper case, as NTFS compares names.
std::wstring upperCase(std::wstring name);

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
