// The command interpreter's front, shared by every platform: it reads a line,
// answers what needs no machine, and hands the rest to the platform's host.
#pragma once

#include <string>
#include <string_view>

#include "platform/command_line.h"
#include "platform/command_texts.h"

namespace tembrel {

// What xcopy's switches ask for: /s (or /e) subfolders, /e empty ones too,
// /h hidden files.
struct CopySwitches {
    bool subfolders = false;
    bool emptyFolders = false;
    bool hidden = false;
};

// How a program start went.
enum class Start { Started, Missing, Failed };

// How a del went: every file it found is deleted; it found none (no such
// folder, or no file in it); or something is left, which the host named.
enum class Deleted { All, NoneFound, NotAll };

// What a platform does for the interpreter. Paths are DOS paths as the line
// gives them ("c:\Tembrel", "."); each host resolves them its own way. A
// `listed` of false (">nul") drops a command's listing, never its errors.
class CommandHost {
public:
    virtual ~CommandHost() = default;

    virtual void clear() = 0;
    virtual int readKey() = 0;
    // One of the interpreter's texts (OEM bytes), its "{}" filled with `name`
    // as the host shows names.
    virtual void say(std::string_view text, std::string_view name, bool error) = 0;
    // Copies the folder's contents into `dest`, which it creates. False when
    // something could not be copied.
    virtual bool copyTree(std::string_view folder, std::string_view dest, CopySwitches switches, bool listed) = 0;
    // Deletes the files in the folder, with `subfolders` in its subfolders too.
    // Says nothing when it finds none: the front does.
    virtual Deleted deleteFiles(std::string_view folder, bool subfolders, bool listed) = 0;
    // Removes the folder; with `everything`, all it holds too.
    virtual bool removeTree(std::string_view folder, bool everything, bool listed) = 0;
    // Starts the program the line names, and waits for it. Missing: there is
    // no such program (the front says so); Failed: the host said why.
    virtual Start startProgram(const CommandLine& command) = 0;
};

// Carries out one command line through the host: cls, pause, xcopy, del and
// erase, rd and rmdir; DELTREE is not recognized; anything else is a program.
// False when the command could not do all it was asked.
bool interpret(std::string_view line, CommandHost& host, const CommandTexts& texts);

// The folder a file command's operand names: "X\*.*", "X\*" and "X" name X,
// "*.*" and "*" the working folder ("."). False for any other pattern: the
// commands take every name in a folder or none.
bool operandFolder(std::string_view operand, std::string& folder);

}  // namespace tembrel
