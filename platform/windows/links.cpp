// Clears the install path of a link before any delete command sees it. A
// link at the path is the install itself: it goes as a link, never what it
// leads to. Links inside the folder need no walk of their own (which under
// Wine would cost seconds in a deep tree): del and rd remove each as a link
// where they meet it and never enter one.

#include <windows.h>

#include "platform/windows/files.h"
#include "platform/windows/walk.h"

namespace tembrel {

bool removeReparsePoints(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
    return removeLink(path, attributes) == 0;
}

}  // namespace tembrel
