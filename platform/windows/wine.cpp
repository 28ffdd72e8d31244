// Wine's file links told from files by the name Wine keeps for an open file.

#include "platform/windows/wine.h"

#include <algorithm>
#include <string_view>

namespace tembrel {

namespace {

wchar_t upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool sameName(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return upper(x) == upper(y);
           });
}

}  // namespace

bool underWine() {
    static const bool wine = [] {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

HiddenLinks::HiddenLinks(const std::wstring& root) : root_(root) {
    if (!underWine()) return;
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    query_ = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtQueryInformationFile")));
    buffer_.resize(4 + 2 * 32768);
    if (query_ != nullptr) rootName_ = nameOf(root_, rootError_);
    if (rootName_.ends_with(L'\\')) rootName_.pop_back();
    if (query_ == nullptr) rootError_ = ERROR_NOT_SUPPORTED;
}

std::wstring HiddenLinks::nameOf(const std::wstring& path, DWORD& error) {
    // No access asked for: the open never conflicts with how others share it.
    HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return {};
    }
    std::wstring name = nameOf(file, error);
    CloseHandle(file);
    return name;
}

std::wstring HiddenLinks::nameOf(HANDLE file, DWORD& error) {
    void* status[2];
    constexpr int fileNameInformation = 9;
    if (query_(file, status, buffer_.data(), static_cast<ULONG>(buffer_.size()), fileNameInformation) != 0) {
        error = ERROR_INVALID_FUNCTION;
        return {};
    }
    ULONG length;
    std::copy_n(buffer_.data(), sizeof length, reinterpret_cast<char*>(&length));
    return std::wstring(reinterpret_cast<const wchar_t*>(buffer_.data() + 4), length / 2);
}

bool HiddenLinks::leadsElsewhere(const std::wstring& path, DWORD& error, HANDLE file) {
    error = 0;
    if (!underWine()) return false;
    // Where the folder's own name is unknown nothing can be told: every file
    // counts as a link.
    if (rootError_ != 0) {
        error = rootError_;
        return true;
    }
    const std::wstring name = file == INVALID_HANDLE_VALUE ? nameOf(path, error) : nameOf(file, error);
    if (name.empty()) return true;
    const std::size_t below = root_.ends_with(L'\\') ? root_.size() - 1 : root_.size();
    return !sameName(name, rootName_ + path.substr(below));
}

}  // namespace tembrel
