// Every way Wine (8) differs from Windows that the Windows programs meet, and
// where each is handled. The handling wraps the code Windows runs; it never
// replaces it, so the Wine tests run what ships.
//
//  1. A Unix link to a folder shows as a reparse point without a kind: it is
//     taken for a link like any junction (nt.h, Entry::isLink).
//  2. A Unix link to a file shows as a plain file, and opening it, even as
//     a reparse point, reaches the file it points to; so does opening a Unix
//     link to a folder that was put in place of a listed folder. Only the
//     name Wine keeps for an open file, its real path, tells it apart: each
//     entry the walks open is checked against the name it should have
//     (whereItsNameSays below; walk.cpp, copy.cpp).
//  3. Deleting a Unix link deletes what it leads to, and RemoveDirectoryW
//     on a link to an empty folder removes that folder: no link is ever
//     removed under Wine (removeLink, links.cpp), so one in the install
//     folder is left, named, and the failure screen shows.
//  4. wineserver works out the real path of every file it opens, even one
//     opened relative to an open folder, one lookup per folder on the way
//     and again for each folder above: each open costs the square of the
//     folder depth. The deletes move deep folders up by their own handles
//     (walk.cpp); the copy cannot move the payload, so a payload thousands
//     of folders deep copies slowly.
//  5. CreateProcessW cannot start a program in a share folder named as its
//     current folder: the program is started from the launcher's own current
//     folder, set for the start (program.cpp; Windows allows it too).
//  6. A program started from a share is named "UNC\server\share\..."
//     (paths.cpp, folderOfProgram).
//  7. A program started from a Unix terminal has a console of its own, so it
//     waits for a key after a failed emulator start, as on a double-click
//     (platform.cpp, keepMessageReadable: no code of its own).
//  8. Ctrl+C typed at the menu arrives as an interrupt even while a key is
//     read: the launcher's handler ends it as it would on Windows outside a
//     key read (platform.cpp: no code of its own). Wine's own handler ends a
//     program with status 0 on Ctrl+C; the launcher's ends it with
//     STATUS_CONTROL_C_EXIT itself, as Windows' does. Started with its input
//     from a file or /dev/null, the launcher reads its keys from there and
//     ends at its end, as on Esc (console.cpp, readKey).
//  9. A terminal closed hangs up: the Unix signal ends the program at once,
//     with no close event, as a kill would. A staging folder then stays,
//     and the next start removes it (platform.cpp: no code of its own).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tembrel {

// True under Wine.
bool underWine();

// Quirk 2: true when the open `file` is where its name says. `name` holds
// the name it should have, "\\??\\C:\\..." with the real case of every folder
// on the way, and is given the name the system keeps for it: its real path,
// links resolved, drive and case as they are, compared exactly (Wine leaves
// out trailing dots and spaces of the last name, and only those may differ).
// A file reached through a link (or put in place of its name) is elsewhere.
// Where Wine is not, true: Windows marks its links as reparse points.
bool whereItsNameSays(HANDLE file, std::wstring& name);

// The name the system keeps for the open folder, where the walks start
// (empty where Wine is not).
std::wstring startName(HANDLE folder);

// True for a name Wine made of Unix bytes that are no UTF-8: it holds
// U+FFFD, and a copy would get another name.
bool unrepresentable(std::wstring_view name);

}  // namespace tembrel
