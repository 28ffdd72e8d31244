// Folder walks on the Windows platform: names as listings show them, entries in NTFS order.

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

std::wstring upperCase(std::wstring name) {
    for (wchar_t& c : name) c = upper(c);
    return name;
}

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

}  // namespace tembrel
