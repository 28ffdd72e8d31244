// The Windows host's commands: their bodies (copy.cpp, delete.cpp,
// program.cpp). The file commands take full paths in the long
// form, which has no length limit, and never enter or copy through a reparse
// point (junction, symbolic link, mount point).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/command_line.h"
#include "platform/command_texts.h"
#include "platform/host.h"

namespace tembrel {

// Called by the console's handler, on the handler's own thread: asks a copy
// into a staging folder to stop and, while one is held, waits up to
// `limitMs` for the folder to be removed. A folder left then goes at the
// next start.
void stopStagedCopy(DWORD limitMs);

// Where a command's lines go the moment each is made, in UTF-16 with a line
// feed at its end: `error` is false for the listing, true for what went wrong.
using ShowLine = std::function<void(std::wstring_view line, bool error)>;

// The file commands' bodies. Each carries out the one line the launcher
// gives it, so none takes switches.
//
// xcopy SOURCE\*.* DEST /e /h /i: copies every file and folder of `source`
// (empty folders, hidden and system files included) into `dest`, which it
// creates, listing each file as it is copied and then the count line. A
// reparse point is skipped and named. False when something could not be
// copied; a skipped link is no failure.
bool copyTree(const std::wstring& source, const std::wstring& dest, const CommandTexts& texts, const ShowLine& show);

// del FOLDER\*.* /s /q: deletes every file in the folder and its subfolders,
// read-only, hidden and system files included; a file link goes as a link.
// A subfolder very deep down may be moved up into the folder on the way.
// NoneFound, saying nothing, where there is no such folder or no file in it.
Deleted deleteFiles(const std::wstring& folder, const CommandTexts& texts, const ShowLine& show);

// rd FOLDER /s /q: removes the folder and everything in it, links as links.
// False when it is still there.
bool removeTree(const std::wstring& folder, const CommandTexts& texts, const ShowLine& show);

// How a program start went.
enum class Started { Yes, Missing, TooLong, Failed };

// Starts the program at `path` (a full path) with the command line as typed,
// in `folder`, and waits for it to end. Nothing is searched for: a program
// that is not at `path` is Missing. TooLong: the path or the folder is too
// long for Windows to start a program. Failed: Windows refused, for the
// reason that `error` then holds.
Started startProgram(const std::wstring& path, const CommandLine& command, const std::wstring& folder,
                     DWORD& error);

}  // namespace tembrel
