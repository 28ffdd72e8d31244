#include "platform/windows/walk.h"

#include <algorithm>

#include "platform/command_texts.h"
#include "platform/oem.h"

namespace tembrel {

namespace {

constexpr std::wstring_view longPrefix = L"\\\\?\\";
constexpr std::wstring_view longUncPrefix = L"\\\\?\\UNC\\";

wchar_t upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool sameName(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return upper(x) == upper(y);
           });
}

bool beforeInUpperCase(const Entry& a, const Entry& b) {
    return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                        [](wchar_t x, wchar_t y) { return upper(x) < upper(y); });
}

}  // namespace

std::wstring inFolder(const std::wstring& folder, std::wstring_view name) {
    std::wstring path = folder;
    if (!path.ends_with(L'\\')) path += L'\\';
    return path += name;
}

std::wstring shownPath(std::wstring_view longPath) {
    if (longPath.starts_with(longUncPrefix)) return L"\\\\" + std::wstring(longPath.substr(longUncPrefix.size()));
    if (longPath.starts_with(longPrefix)) return std::wstring(longPath.substr(longPrefix.size()));
    return std::wstring(longPath);
}

std::wstring textOf(std::string_view oem, std::initializer_list<std::wstring_view> values) {
    return fillIn(oemToWide(oem), values);
}

std::wstring decimal(unsigned long number) {
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + number % 10));
        number /= 10;
    } while (number != 0);
    return digits;
}

std::wstring reason(DWORD error) {
    wchar_t buffer[512];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buffer,
                             512, nullptr);
    while (n > 0 && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n' || buffer[n - 1] == L' ')) --n;
    if (n == 0) return L"error " + decimal(error);
    std::wstring text(buffer, n);
    std::replace(text.begin(), text.end(), L'\r', L' ');
    std::replace(text.begin(), text.end(), L'\n', L' ');
    return text;
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
    std::sort(entries.begin(), entries.end(), beforeInUpperCase);
    return error == ERROR_NO_MORE_FILES ? 0 : error;
}

bool underWine() {
    static const bool wine = [] {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

DWORD removeLink(const std::wstring& path, DWORD attributes) {
    if (underWine()) return ERROR_NOT_SUPPORTED;
    // RemoveDirectory on a junction or folder link removes the link, never
    // its target; DeleteFile on a file link removes the link.
    const BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(path.c_str())
                                                                 : DeleteFileW(path.c_str());
    return removed ? 0 : GetLastError();
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
