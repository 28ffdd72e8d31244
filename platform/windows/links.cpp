// Clears the install folder of links before any delete command sees it.
// Windows' del /s walks through junctions and folder links into what they
// point to; RemoveDirectory on a junction or folder link removes the link and
// never its target, and DeleteFile on a file link removes the link.

#include <windows.h>

#include "platform/windows/files.h"

namespace tembrel {

namespace {

bool removeLink(const std::wstring& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return RemoveDirectoryW(path.c_str()) != 0;
    return DeleteFileW(path.c_str()) != 0;
}

// Walks the folder, which is no link itself. Goes on past a link it cannot
// remove, so that as few links as possible are left, and reports it. A folder
// that cannot be listed counts as failure too: a link may hide in it.
bool removeLinksInside(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    bool allRemoved = true;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            allRemoved = removeLink(path, entry.dwFileAttributes) && allRemoved;
        } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            allRemoved = removeLinksInside(path) && allRemoved;
        }
    } while (FindNextFileW(find, &entry));
    const bool listed = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(find);
    return allRemoved && listed;
}

}  // namespace

bool removeReparsePoints(const std::wstring& path) {
    const std::wstring& longPath = path;
    const DWORD attributes = GetFileAttributesW(longPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return removeLink(longPath, attributes);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    return removeLinksInside(longPath);
}

}  // namespace tembrel
