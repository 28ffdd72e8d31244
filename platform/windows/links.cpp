// Clears the install path of a link before any delete command sees it. A
// link at the path is the install itself: it goes as a link, never what it
// leads to. Links inside the folder need no walk of their own (which under
// Wine would cost seconds in a deep tree): del and rd remove each as a link
// where they meet it and never enter one.

#include <windows.h>

#include "platform/windows/walk.h"
#include "platform/windows/wine.h"

namespace tembrel {

DWORD removeLink(const std::wstring& path, DWORD attributes) {
    // Quirk 3 of wine.h: under Wine removing a Unix link removes what it
    // leads to.
    if (underWine()) return ERROR_NOT_SUPPORTED;
    // RemoveDirectory on a junction or folder link removes the link, never
    // its target; DeleteFile on a file link removes the link.
    const BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(path.c_str())
                                                                 : DeleteFileW(path.c_str());
    return removed ? 0 : GetLastError();
}

bool removeReparsePoints(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
    return removeLink(path, attributes) == 0;
}

}  // namespace tembrel
