#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/command_line.h"
#include "platform/command_texts.h"
#include "platform/dos_path.h"

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

// What the interpreter's commands work with: drive C, and the texts they speak.
struct Shell {
    const CommandTexts* texts;  // in the terminal's character set
    DriveC driveC;
    bool refusalShown = false;

    // A DOS path as a host path, each component matched ignoring case. False
    // for a path on a drive C that could not be placed: the reason goes to
    // `report`, the first time only.
    bool hostPath(std::string_view dosPath, std::string& host, std::string& report);
};

// A file name made safe to show on a terminal, as `ls -q` does: control
// characters and the controls of writing direction (and, unless `utf8`,
// every byte outside ASCII) become '?'.
std::string shownName(std::string_view name, bool utf8);

// Whether a locale name ("de_DE.UTF-8", "C.utf8") asks for UTF-8.
bool namesUtf8(std::string_view locale);

// What the terminal reads, by the locale the environment chooses: the
// locale's code set where it is installed, else what its name says.
enum class Charset { Utf8, AsciiOnly, Other };
Charset localeCharset();
// The locale the environment chooses for characters: the first set of
// LC_ALL, LC_CTYPE and LANG, or "C".
std::string_view characterLocale(const char* lcAll, const char* lcCtype, const char* lang);

// Whether a terminal of this TERM name understands the ANSI escape sequences
// used to clear it. An unset, dumb or unknown terminal does not.
bool ansiTerminal(const char* term);

// Resolves a mapped path against the disk: each component not present under
// its exact name takes the name of an entry that differs only in case.
std::string resolvePath(const HostPath& path);

// `path` taken from the folder `base` (an absolute path) by name, as a shell's
// cd does: "." and ".." are worked out in the text, never through a link.
std::string joinByName(const std::string& base, const std::string& path);

// The interpreter's file commands, with their paths taken through drive C.
//   xcopy SRC DEST [/e /s /h /i]: copies what SRC names in the working folder.
//   del PATH [/s /q]: deletes the files a folder or a pattern names.
//   rd PATH [/s /q]: removes a folder, with /s everything in it.
// None of them ever follows a symbolic link out of the folder it works on,
// and del and rd never enter another file system mounted at or inside it.
// Each walks a tree of any depth with an explicit stack. Each returns false
// when it could not do all it was asked; a link deliberately skipped is no
// failure.
bool xcopyCommand(const CommandLine& command, Shell& shell, CommandOutput& output);
bool delCommand(const CommandLine& command, Shell& shell, CommandOutput& output);
bool rdCommand(const CommandLine& command, Shell& shell, CommandOutput& output);

// Finds a program as the interpreter does: only in the ship folder (open as
// `shipFd`), by a plain name matched ignoring case. Only a file that may be
// executed counts, or a Windows program ("MZ"), which runs through wine.
// Returns its name in the ship folder, or an empty string when there is none.
std::string findProgram(int shipFd, std::string_view name);

// Finds an executable file in the folders of PATH only.
std::string findInPath(std::string_view name);

// Runs the program `name` of the ship folder (by its path `shipFolder`, when
// known; open as `shipFd`) and waits for it; it starts in the working folder. A Windows program ("MZ") runs through wine when wine is
// on the PATH. False, with the reason in `output`, when it could not start.
bool runProgram(const std::string& shipFolder, int shipFd, const std::string& name, const CommandLine& command, const CommandTexts& texts,
                CommandOutput& output);

// The home folder: HOME, or the user database's when HOME is not set.
std::string homeFolder();

// From now on, a write that fails for a full file-size limit or a closed
// pipe returns an error instead of ending the program. Programs started later
// get the signals' original handling back.
void keepRunningOnWriteFailures();

}  // namespace tembrel
