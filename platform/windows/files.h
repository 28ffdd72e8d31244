#pragma once

// The file commands of the Windows platform's own command interpreter: the
// copy of xcopy /e /h /i, the deletes of del /s /q and rd /s /q, and the
// removal of links. Each takes absolute paths in the long form, which has no
// length limit ("\\?\C:\..." or "\\?\UNC\server\share\..."), and never enters
// or copies through a reparse point (junction, symbolic link, mount point).

#include <functional>
#include <string>
#include <string_view>

#include "platform/command_texts.h"

namespace tembrel {

// Where a command's lines go the moment each is made, in UTF-16 with a line
// feed at its end: `error` is false for the listing, true for what went wrong.
using ShowLine = std::function<void(std::wstring_view line, bool error)>;

// xcopy SOURCE\*.* DEST /e /h /i: copies every file and folder of `source`
// (empty folders, hidden and system files included) into `dest`, which it
// creates, listing each file as it is copied and then the count line. A
// reparse point is skipped and named. False when something could not be
// copied; a skipped link is no failure.
bool copyFolder(const std::wstring& source, const std::wstring& dest, const CommandTexts& texts,
                const ShowLine& show);

// del FOLDER\*.* /s /q: deletes every file in the folder and its subfolders,
// read-only, hidden and system files included; a file link goes as a link.
// A subfolder very deep down may be moved up into the folder on the way. False
// when one is left.
bool deleteFiles(const std::wstring& folder, const CommandTexts& texts, const ShowLine& show);

// rd FOLDER /s /q: removes the folder and everything in it, links as links.
// False when it is still there.
bool removeFolder(const std::wstring& folder, const CommandTexts& texts, const ShowLine& show);

// Removes a reparse point at the path, as a link; false when it could not be
// removed (under Wine a Unix link never can). The deletes above deal with
// the links inside the folder.
bool removeReparsePoints(const std::wstring& path);

}  // namespace tembrel
