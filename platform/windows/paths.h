// Windows path forms, worked out by text alone: full, long and shown paths,
// and the folder of a program.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tembrel {

// Windows path names worked out by text alone, in UTF-16. Plain functions,
// built on every host, so that they are tested natively. A full path here is a drive path
// ("C:\Games\ship", "C:\") or a share path ("\\server\share\ship"), with
// backslashes only and no "." or ".." left in it.

// The folder a program file lies in, as a full path: "C:\" for a program in a
// drive's root, and "\\server\share\..." for the long forms "\\?\C:\..." and
// "\\?\UNC\server\share\..." and for Wine's "UNC\server\share\..."; the
// device forms "\\.\C:\..." and "\\.\UNC\..." likewise. Empty for a device
// path without a drive or share ("\\?\Volume{...}\...", "\\.\PhysicalDrive0").
std::wstring folderOfProgram(std::wstring_view programPath);

// `path` taken from the folder `folder` (a full path), as a full path: "..",
// "." and doubled or forward slashes are worked out by name, as Windows does;
// a drive letter is upper case ("c:\X" names drive C); "\X" starts at the
// folder's drive or share; ".." never climbs above a drive's or share's root.
std::wstring fullPath(std::wstring_view folder, std::wstring_view path);

// The folder the full path lies in; the path itself for a root.
std::wstring parentOf(std::wstring_view fullPath);

// The long form of a full path, which has no length limit:
// "\\?\C:\Games" and "\\?\UNC\server\share\ship".
std::wstring longForm(std::wstring_view fullPath);

// The path as a user writes it: the long form's prefix taken off again.
std::wstring shownPath(std::wstring_view longPath);

// Where the first folder below the volume starts in a long path: after
// "\\?\C:\" or "\\?\UNC\server\share\".
std::size_t volumeEnd(std::wstring_view longPath);

// The drive of a long path on a drive ("C:" for "\\?\C:\..."); empty for a
// share.
std::wstring driveOf(std::wstring_view longPath);

}  // namespace tembrel
