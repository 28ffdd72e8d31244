#pragma once

#include <string>
#include <string_view>

#include "platform/command_line.h"
#include "platform/dos_path.h"

namespace tembrel {

// What a command printed: its normal output and its error messages.
struct CommandOutput {
    std::string out;
    std::string err;
};

// Resolves a mapped path against the disk: each component not present under
// its exact name takes the name of an entry that differs only in case.
std::string resolvePath(const HostPath& path);

// The interpreter's file commands, with their paths taken through drive C.
//   xcopy SRC DEST [/e /s /h /i]: copies what SRC names in the working folder.
//   del PATH [/s /q]: deletes the files a folder or a pattern names.
//   rd PATH [/s /q]: removes a folder, with /s everything in it.
// None of them ever follows a symbolic link out of the folder it works on.
void xcopyCommand(const CommandLine& command, const std::string& driveC, CommandOutput& output);
void delCommand(const CommandLine& command, const std::string& driveC, CommandOutput& output);
void rdCommand(const CommandLine& command, const std::string& driveC, CommandOutput& output);

// Finds a program as the interpreter does: the working folder first, then PATH.
// Returns an empty string when there is none.
std::string findProgram(std::string_view name);

// Finds a program in the folders of PATH only.
std::string findInPath(std::string_view name);

// Runs a program found by findProgram and waits for it. A Windows program
// ("MZ") runs through wine when wine is on the PATH; a file that cannot be
// executed directly runs through /bin/sh.
void runProgram(const std::string& path, const CommandLine& command);

}  // namespace tembrel
