// Wine's file links told from files by the real path Wine keeps for an open
// file.

#include "platform/windows/wine.h"

#include "platform/windows/nt.h"

namespace tembrel {

namespace {

std::wstring withoutTrailingDots(std::wstring name) {
    const std::size_t last = name.find_last_of(L'\\') + 1;
    while (name.size() > last && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
    return name;
}

}  // namespace

bool underWine() {
    static const bool wine = [] {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

bool whereItsNameSays(HANDLE file, std::wstring& name) {
    if (!underWine()) return true;
    std::wstring real = systemName(file);
    if (real.empty() || (real != name && real != withoutTrailingDots(name))) return false;
    name = std::move(real);
    return true;
}

std::wstring startName(HANDLE folder) { return underWine() ? systemName(folder) : std::wstring(); }

bool unrepresentable(std::wstring_view name) { return underWine() && name.find(L'\xfffd') != std::wstring_view::npos; }

}  // namespace tembrel
