#include "tests/windows/files.h"

#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace tembrel::windows_tests {

namespace {

bool isLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

template <typename Visit>
void eachEntry(const std::wstring& folder, Visit visit) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(longPath(folder / L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") visit(name, found.dwFileAttributes);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

void snapshotInto(const std::wstring& root, const std::wstring& relative, std::map<std::wstring, std::string>& tree) {
    eachEntry(relative.empty() ? root : root / relative, [&](const std::wstring& name, DWORD attributes) {
        const std::wstring path = relative.empty() ? name : relative / name;
        if (isLink(attributes)) {
            tree[path] = "link";
        } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree[path] = "folder";
            snapshotInto(root, path, tree);
        } else {
            tree[path] = "file " + readFile(root / path);
        }
    });
}

}  // namespace

std::wstring longPath(const std::wstring& path) {
    if (path.starts_with(L"\\\\?\\")) return path;
    if (path.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + path.substr(2);
    return L"\\\\?\\" + path;
}

std::wstring operator/(const std::wstring& folder, const std::wstring& name) {
    return folder.ends_with(L'\\') ? folder + name : folder + L"\\" + name;
}

DWORD attributes(const std::wstring& path) { return GetFileAttributesW(longPath(path).c_str()); }
bool exists(const std::wstring& path) { return attributes(path) != INVALID_FILE_ATTRIBUTES; }
bool isFolder(const std::wstring& path) {
    const DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void makeFolders(const std::wstring& path) {
    if (isFolder(path)) return;
    const std::size_t up = path.find_last_of(L'\\');
    if (up != std::wstring::npos && up > 2) makeFolders(path.substr(0, up));
    CreateDirectoryW(longPath(path).c_str(), nullptr);
}

void writeFile(const std::wstring& path, const std::string& content) {
    makeFolders(path.substr(0, path.find_last_of(L'\\')));
    const HANDLE file =
        CreateFileW(longPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

std::string readFile(const std::wstring& path) {
    const HANDLE file = CreateFileW(longPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "";
    std::string content;
    char buffer[4096];
    DWORD read;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) content.append(buffer, read);
    CloseHandle(file);
    return content;
}

void copyFile(const std::wstring& from, const std::wstring& to) {
    CopyFileW(longPath(from).c_str(), longPath(to).c_str(), FALSE);
}

void removeTree(const std::wstring& path) {
    const DWORD a = attributes(path);
    if (a == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(longPath(path).c_str(), FILE_ATTRIBUTE_NORMAL | (a & FILE_ATTRIBUTE_DIRECTORY));
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(longPath(path).c_str());
        return;
    }
    if (!isLink(a)) {
        std::vector<std::wstring> names;
        eachEntry(path, [&](const std::wstring& name, DWORD) { names.push_back(name); });
        for (const std::wstring& name : names) removeTree(path / name);
    }
    RemoveDirectoryW(longPath(path).c_str());
}

bool makeJunction(const std::wstring& link, const std::wstring& target) {
    if (!CreateDirectoryW(longPath(link).c_str(), nullptr)) return false;
    // A mount point's reparse data: the target as the system names it, then
    // as it is shown, each closed by a null.
    const std::wstring substitute = L"\\??\\" + target, shown = target;
    std::vector<WORD> data(8 + substitute.size() + shown.size() + 2);
    const auto bytes = [](std::size_t characters) { return static_cast<WORD>(characters * sizeof(wchar_t)); };
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    std::memcpy(data.data(), &tag, sizeof tag);
    data[2] = bytes(data.size() - 4);  // the length after the header
    data[4] = 0;
    data[5] = bytes(substitute.size());
    data[6] = bytes(substitute.size() + 1);
    data[7] = bytes(shown.size());
    std::copy(substitute.begin(), substitute.end(), reinterpret_cast<wchar_t*>(&data[8]));
    std::copy(shown.begin(), shown.end(), reinterpret_cast<wchar_t*>(&data[8 + substitute.size() + 1]));
    const HANDLE folder = CreateFileW(longPath(link).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    DWORD returned = 0;
    const bool made = folder != INVALID_HANDLE_VALUE &&
                      DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, data.data(), bytes(data.size()), nullptr, 0,
                                      &returned, nullptr);
    const DWORD error = GetLastError();
    if (folder != INVALID_HANDLE_VALUE) CloseHandle(folder);
    if (!made) RemoveDirectoryW(longPath(link).c_str());
    SetLastError(error);
    return made;
}

std::map<std::wstring, std::string> snapshot(const std::wstring& root) {
    std::map<std::wstring, std::string> tree;
    snapshotInto(root, L"", tree);
    return tree;
}

std::string narrow(const std::wstring& text) {
    const int size = static_cast<int>(text.size());
    std::string out(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    return out;
}

std::wstring widen(const std::string& text) {
    const int size = static_cast<int>(text.size());
    std::wstring out(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, out.data(), static_cast<int>(out.size()));
    return out;
}

}  // namespace tembrel::windows_tests
