// Clears the install path of a link before any delete command sees it. A
// link at the path is the install itself: it goes as a link, never what it
// leads to. Links inside the folder need no walk of their own (which under
// Wine would cost seconds in a deep tree): del and rd remove each as a link
// where they meet it and never enter one.

#include <windows.h>

#include "platform/windows/nt.h"
#include "platform/windows/walk.h"
#include "platform/windows/wine.h"

namespace tembrel {

DWORD removeLink(HANDLE link) {
    // Quirk 3 of wine.h: under Wine removing a Unix link removes what it
    // leads to.
    if (underWine()) return ERROR_NOT_SUPPORTED;
    Described described;
    if (const DWORD error = describe(link, described)) return error;
    if (!described.entry.isLink()) return ERROR_NOT_SUPPORTED;
    // Opened as a reparse point, the handle is the link's own: its
    // read-only mark and its deletion are the link's, never the target's.
    return removeOpen(link, described);
}

DWORD removeLink(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return 0;
    Handle link;
    const DWORD error = openFolder(path, Access::Remove, true, link);
    return error != 0 ? error : removeLink(link.get());
}

}  // namespace tembrel
