// Folder walks on the Windows platform: folder listings in NTFS order.

#include "platform/windows/walk.h"

#include <algorithm>

namespace tembrel {

namespace {

wchar_t upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool beforeInUpperCase(const Entry& a, const Entry& b) {
    return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                        [](wchar_t x, wchar_t y) { return upper(x) < upper(y); });
}

}  // namespace

std::wstring shownName(std::wstring_view name) {
    std::wstring shown(name);
    for (wchar_t& c : shown) {
        if (c < 0x20 || (c >= 0x7f && c < 0xa0)) c = L'?';
    }
    return shown;
}

void sortInNtfsOrder(std::vector<Entry>& entries) { std::sort(entries.begin(), entries.end(), beforeInUpperCase); }

std::wstring inFolder(const std::wstring& folder, std::wstring_view name) {
    std::wstring path = folder;
    if (!path.ends_with(L'\\')) path += L'\\';
    return path += name;
}

DWORD listFolder(const std::wstring& folder, std::vector<Entry>& entries) {
    entries.clear();
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(inFolder(folder, L"*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? 0 : error;
    }
    do {
        const std::wstring_view name = found.cFileName;
        if (name != L"." && name != L"..") entries.push_back({std::wstring(name), found.dwFileAttributes, found.dwReserved0});
    } while (FindNextFileW(find, &found));
    const DWORD error = GetLastError();
    FindClose(find);
    sortInNtfsOrder(entries);
    return error == ERROR_NO_MORE_FILES ? 0 : error;
}

}  // namespace tembrel
