// The POSIX host's commands: what they print, what they work with, and their
// bodies (copy.cpp, delete.cpp, program.cpp).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/command_line.h"
#include "platform/command_texts.h"
#include "platform/host.h"
#include "platform/posix/drive_c.h"
#include "platform/posix/walk.h"

namespace tembrel {

// What a command printed: its normal output and its error messages.
struct CommandOutput {
    std::string out;
    std::string err;
    // Names shown may keep their UTF-8 characters: the console reads UTF-8.
    bool utf8 = false;
    // When set, called each time the command has added a line, so that a long
    // command shows its progress as it goes; it may take the lines away.
    std::function<void(CommandOutput&)> progress;

    void lineDone() {
        if (progress) progress(*this);
    }
};

// What the commands work with: the texts they speak (in the terminal's
// character set) and drive C.
struct Shell {
    const CommandTexts* texts;
    DriveCPaths drive;
    FileId ship{};  // the folder the program runs from: no delete goes into it

    bool place(std::string_view dosPath, Place& place, std::string& report, bool make = false) {
        return drive.place(dosPath, place, report, make);
    }
};

// True when a stop signal arrived while a staging folder was held; it takes
// effect when the folder is let go of.
bool stopRequested();

// The bodies, with their paths taken through drive C.
//   copyTree (xcopy): copies everything in the folder, dot files and empty
//     folders included, into `dest`, which it creates; a link in it is
//     skipped and named.
//   deleteFiles (del): deletes the files in a folder and in its subfolders.
//   removeTree (rd): removes a folder and everything in it.
// None of them ever follows a symbolic link inside the folder it works on,
// and del and rd never enter another file system mounted at or inside it.
// Each walks a tree of any depth with an explicit stack. Each returns false
// (del: NotAll) when it could not do all it was asked; a link deliberately
// skipped is no failure.
bool copyTree(std::string_view folder, std::string_view dest, Shell& shell, CommandOutput& output);
Deleted deleteFiles(std::string_view folder, Shell& shell, CommandOutput& output);
bool removeTree(std::string_view folder, Shell& shell, CommandOutput& output);

// Finds a program as the interpreter does: only in the ship folder (open as
// `shipFd`), by a plain name matched ignoring case. Only a file that may be
// executed counts, or a Windows program ("MZ"), which runs through wine.
// Returns its name in the ship folder, or an empty string when there is none.
std::string findProgram(int shipFd, std::string_view name);

// Finds an executable file in the folders of PATH only.
std::string findInPath(std::string_view name);

// Runs the program `name` of the ship folder (by its path `shipFolder`, when
// known; open as `shipFd`) and waits for it; it starts in the working folder.
// A Windows program ("MZ") runs through wine when wine is on the PATH. False,
// with the reason in `output`, when it could not start.
bool runProgram(const std::string& shipFolder, int shipFd, const std::string& name, const CommandLine& command,
                const CommandTexts& texts, CommandOutput& output);

// From now on, a write that fails for a full file-size limit or a closed
// pipe returns an error instead of ending the program. Programs started later
// get the signals' original handling back.
void keepRunningOnWriteFailures();

}  // namespace tembrel
