// The POSIX platform's side of the command interpreter: the host the shared
// front hands its commands to, and the commands' bodies (copy.cpp,
// delete.cpp, program.cpp).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/command_line.h"
#include "platform/command_texts.h"
#include "platform/interpreter.h"
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

    bool hostPath(std::string_view dosPath, std::string& host, std::string& report) {
        return drive.hostPath(dosPath, host, report);
    }
    bool place(std::string_view dosPath, Place& place, std::string& report, bool make = false) {
        return drive.place(dosPath, place, report, make);
    }
};

// The commands for the shared front. The console's part (clear, readKey) is
// the platform's; each command's lines go to `emit` as they are made, the
// listing only when `listed`.
class PosixCommands : public CommandHost {
public:
    using Emit = std::function<void(CommandOutput&, bool listed)>;
    // Programs start from the ship folder, by its name `shipFolder` where it
    // is known, and open as `shipFd`, which this takes over.
    PosixCommands(Shell shell, std::string shipFolder, int shipFd, Emit emit)
        : shell_(std::move(shell)), shipFolder_(std::move(shipFolder)), shipFd_(shipFd), emit_(std::move(emit)) {}
    ~PosixCommands() override;
    PosixCommands(const PosixCommands&) = delete;
    PosixCommands& operator=(const PosixCommands&) = delete;

    void say(std::string_view text, std::string_view name, bool error) override;
    bool copyTree(std::string_view folder, std::string_view dest, CopySwitches switches, bool listed) override;
    Deleted deleteFiles(std::string_view folder, bool subfolders, bool listed) override;
    bool removeTree(std::string_view folder, bool everything, bool listed) override;
    Start startProgram(const CommandLine& command) override;
    // The staged first copy (staging.cpp).
    bool exists(std::string_view path) override;
    unsigned long runId() override;
    Outcome makeStaging(std::string_view path, std::string_view dest) override;
    Outcome moveStaging(std::string_view path, std::string_view dest) override;
    void endStaging(std::string_view path) override;
    std::vector<std::string> namesIn(std::string_view folder) override;
    bool claimStaging(std::string_view path) override;

protected:
    // Whether names may be shown in UTF-8.
    virtual bool namesInUtf8() { return false; }

    Shell shell_;
    const std::string shipFolder_;
    const int shipFd_;

private:
    template <class Body>
    auto command(bool listed, Body body);

    // Holds the staging folder open as `fd`, locked, and a stop by signal
    // for later; false (errno set) when `host` is not that folder any more.
    bool holdStaging(const Place& place, int fd);

    Emit emit_;
    int stagingFd_ = -1;  // the staging folder held, locked
    bool copying_ = false;
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
