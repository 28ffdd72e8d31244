// Every way Wine (8) differs from Windows that the Windows programs meet, and
// where each is handled. The handling wraps the code Windows runs; it never
// replaces it, so the Wine tests run what ships.
//
//  1. A Unix link to a folder shows as a reparse point without a kind: it is
//     taken for a link like any junction (walk.h, Entry::isLink).
//  2. A Unix link to a file shows as a plain file, and opening, copying or
//     deleting it reaches the file it points to. Only the name Wine keeps for
//     an open file, which is the target's, tells it apart (HiddenLinks
//     below). The copy checks each file's name first and then copies it with
//     CopyFileW as on Windows (copy.cpp); the delete leaves such a file and
//     names it (delete.cpp).
//  3. DeleteFileW on a file link deletes the file it points to, and
//     RemoveDirectoryW on a link to an empty folder removes that folder: no
//     link is ever removed under Wine (removeLink, links.cpp), so one in the
//     install folder is left, named, and the failure screen shows.
//  4. Every open costs time in proportion to the square of the folder depth:
//     deep folders are moved up during a delete (delete.cpp; Windows gains
//     from it too).
//  5. CreateProcessW cannot start a program in a share folder named as its
//     current folder: the program is started from the launcher's own current
//     folder, set for the start (program.cpp; Windows allows it too).
//  6. A program started from a share is named "UNC\server\share\..."
//     (paths.cpp, folderOfProgram).
//  7. A program started from a Unix terminal has a console of its own, so it
//     waits for a key after a failed emulator start, as on a double-click
//     (platform.cpp, keepMessageReadable: no code of its own).
//  8. Ctrl+C typed at the menu arrives as an interrupt even while a key is
//     read: with no handler in place outside a program's run, it ends the
//     launcher as it would on Windows outside a key read (program.cpp: no
//     code of its own). Started with its input from a file or /dev/null, the
//     launcher reads its keys from there and ends at its end, as on Esc
//     (console.cpp, readKey).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tembrel {

// True under Wine.
bool underWine();

// The file links of quirk 2. Elsewhere this finds nothing: Windows marks its
// links as reparse points.
class HiddenLinks {
public:
    explicit HiddenLinks(const std::wstring& root);

    // True when the file at `path`, which lies in the root folder (at any
    // depth), is not where its path says: a link. `error` is set where that
    // cannot be told (then the answer is true, to be safe). `file`, where
    // given, is the file opened already.
    bool leadsElsewhere(const std::wstring& path, DWORD& error, HANDLE file = INVALID_HANDLE_VALUE);

private:
    std::wstring nameOf(const std::wstring& path, DWORD& error);
    std::wstring nameOf(HANDLE file, DWORD& error);

    using Query = LONG(WINAPI*)(HANDLE, void*, void*, ULONG, int);
    Query query_ = nullptr;
    std::wstring root_;
    std::wstring rootName_;
    DWORD rootError_ = 0;
    std::vector<char> buffer_;
};

}  // namespace tembrel
