// Windows path forms, worked out by text alone.

#include "platform/windows/paths.h"

#include <algorithm>
#include <vector>

namespace tembrel {

namespace {

constexpr std::wstring_view longUnc = L"\\\\?\\UNC\\";
constexpr std::wstring_view longDrive = L"\\\\?\\";
// Wine names a program started from a share "UNC\server\share\...".
constexpr std::wstring_view bareUnc = L"UNC\\";

bool startsWith(std::wstring_view text, std::wstring_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool isSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

bool hasDrive(std::wstring_view path) {
    return path.size() >= 2 && path[1] == L':' &&
           ((path[0] >= L'a' && path[0] <= L'z') || (path[0] >= L'A' && path[0] <= L'Z'));
}

// The long and Wine's forms in the plain form, slashes as backslashes.
std::wstring plainForm(std::wstring_view path) {
    std::wstring plain;
    if (startsWith(path, longUnc)) {
        plain = L"\\\\" + std::wstring(path.substr(longUnc.size()));
    } else if (startsWith(path, longDrive)) {
        plain = path.substr(longDrive.size());
    } else if (startsWith(path, bareUnc)) {
        plain = L"\\\\" + std::wstring(path.substr(bareUnc.size()));
    } else {
        plain = path;
    }
    for (wchar_t& c : plain) {
        if (c == L'/') c = L'\\';
    }
    return plain;
}

// How much of the full path is its root: "C:\" or "\\server\share".
std::size_t rootSize(std::wstring_view path) {
    if (hasDrive(path)) return 3;
    if (!startsWith(path, L"\\\\")) return 0;
    const std::size_t server = path.find(L'\\', 2);
    if (server == std::wstring_view::npos) return path.size();
    const std::size_t share = path.find(L'\\', server + 1);
    return share == std::wstring_view::npos ? path.size() : share;
}

// The root of `path` (drive or share) and the rest, with the root in its
// canonical spelling; relative paths take the folder's root.
std::wstring rootOf(std::wstring_view folder, std::wstring_view& path) {
    if (hasDrive(path)) {
        std::wstring root{static_cast<wchar_t>(path[0] & ~0x20), L':', L'\\'};
        path.remove_prefix(2);
        return root;
    }
    if (startsWith(path, L"\\\\")) {
        const std::size_t size = rootSize(path);
        std::wstring root(path.substr(0, size));
        path.remove_prefix(size);
        return root;
    }
    const std::wstring_view folderRoot = folder.substr(0, rootSize(folder));
    return hasDrive(folderRoot) ? std::wstring{static_cast<wchar_t>(folderRoot[0] & ~0x20), L':', L'\\'}
                                : std::wstring(folderRoot);
}

// Appends each name of `rest` to the names, working out "." and "..".
void addNames(std::vector<std::wstring_view>& names, std::wstring_view rest) {
    while (!rest.empty()) {
        std::size_t end = 0;
        while (end < rest.size() && !isSlash(rest[end])) ++end;
        const std::wstring_view name = rest.substr(0, end);
        rest.remove_prefix(end < rest.size() ? end + 1 : end);
        if (name.empty() || name == L".") continue;
        if (name == L"..") {
            if (!names.empty()) names.pop_back();
            continue;
        }
        names.push_back(name);
    }
}

}  // namespace

std::wstring folderOfProgram(std::wstring_view programPath) {
    // "\\.\" names a device as "\\?\" does: a drive or a share behind
    // either has a plain form; a volume by its GUID, a disk or any other
    // device does not.
    std::wstring device;
    if (startsWith(programPath, L"\\\\.\\")) {
        device = std::wstring(longDrive) + std::wstring(programPath.substr(longDrive.size()));
        programPath = device;
    }
    if (startsWith(programPath, longDrive) && !startsWith(programPath, longUnc) &&
        !hasDrive(programPath.substr(longDrive.size())))
        return {};
    std::wstring path = plainForm(programPath);
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return L".";
    // "C:\Launch.exe" lies in "C:\", not in "C:" (the drive's current folder).
    const bool driveRoot = slash > 0 && path[slash - 1] == L':';
    path.resize(driveRoot ? slash + 1 : slash);
    return path;
}

std::wstring fullPath(std::wstring_view folder, std::wstring_view path) {
    const std::wstring plainFolder = plainForm(folder);
    const std::wstring plainPath = plainForm(path);
    std::wstring_view rest = plainPath;
    std::vector<std::wstring_view> names;
    const bool absolute = hasDrive(rest) || startsWith(rest, L"\\");
    std::wstring root = rootOf(plainFolder, rest);
    if (!absolute) addNames(names, std::wstring_view(plainFolder).substr(rootSize(plainFolder)));
    addNames(names, rest);
    for (std::wstring_view name : names) {
        if (!root.empty() && root.back() != L'\\') root += L'\\';
        root += name;
    }
    return root;
}

std::wstring parentOf(std::wstring_view path) {
    const std::size_t root = rootSize(path);
    const std::size_t slash = path.find_last_of(L'\\');
    if (path.size() <= root || slash == std::wstring_view::npos) return std::wstring(path);
    // The parent of "C:\Games" is "C:\", with its backslash.
    return std::wstring(path.substr(0, slash < root ? root : slash));
}

std::wstring longForm(std::wstring_view path) {
    if (startsWith(path, L"\\\\")) return std::wstring(longUnc) + std::wstring(path.substr(2));
    return std::wstring(longDrive) + std::wstring(path);
}

std::wstring shownPath(std::wstring_view path) {
    if (startsWith(path, longUnc)) return L"\\\\" + std::wstring(path.substr(longUnc.size()));
    if (startsWith(path, longDrive)) return std::wstring(path.substr(longDrive.size()));
    return std::wstring(path);
}

std::size_t volumeEnd(std::wstring_view path) {
    if (!startsWith(path, longUnc)) return std::min<std::size_t>(path.size(), longDrive.size() + 3);
    std::size_t at = path.find(L'\\', longUnc.size());                   // after the server
    if (at != std::wstring_view::npos) at = path.find(L'\\', at + 1);  // after the share
    return at == std::wstring_view::npos ? path.size() : at + 1;
}

std::wstring driveOf(std::wstring_view path) {
    if (startsWith(path, longUnc) || !startsWith(path, longDrive) || !hasDrive(path.substr(longDrive.size()))) return {};
    return std::wstring(path.substr(longDrive.size(), 2));
}

}  // namespace tembrel
