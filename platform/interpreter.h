// The command interpreter's front, shared by every platform: it reads a line,
// answers what needs no machine, and hands the rest to the platform's host.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// How making or renaming a staging folder went. Taken: something stands at
// the name already.
enum class Outcome { Done, Taken, Failed };

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

    // For a staged first copy (staging.h):
    // True when anything at all stands at the path, a link included.
    virtual bool exists(std::string_view path) = 0;
    // This run's number, unique among the runs at the time (a process id).
    virtual unsigned long runId() = 0;
    // Makes the staging folder `path` beside `dest`, and holds it as this
    // run's own until endStaging: no other run takes it for a leftover, and
    // a stop (a signal, the console closed) during the copy removes it. Its
    // names show as `dest`'s. Failed: the host said why, after the count line.
    virtual Outcome makeStaging(std::string_view path, std::string_view dest) = 0;
    // Renames the staging folder to `dest` in one step. Taken: `dest` has
    // appeared meanwhile and is left as it is. Failed: the host said why.
    virtual Outcome moveStaging(std::string_view path, std::string_view dest) = 0;
    // Lets go of a staging folder, renamed or removed; a stop asked for
    // meanwhile takes effect now.
    virtual void endStaging(std::string_view path) = 0;
    // The names in a folder; none when it cannot be read.
    virtual std::vector<std::string> namesIn(std::string_view folder) = 0;
    // Takes a staging folder that no running program holds (it was left by
    // a run that was killed), as makeStaging holds its own. False when a
    // running program holds it or it is gone.
    virtual bool claimStaging(std::string_view path) = 0;
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
