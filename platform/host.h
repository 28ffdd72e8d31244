// The one interface each platform implements: the launcher's Platform, and
// below it what the shared command interpreter front and the staged first
// copy ask of the machine. Each platform has one class that implements it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/command_line.h"
#include "platform/command_texts.h"
#include "platform/platform.h"

namespace tembrel {

// How a program start went. Missing: there is no such program (the front
// says so); Failed: the host said why.
enum class Start { Started, Missing, Failed };

// How a del went: every file it found is deleted; it found none (no such
// folder, or no file in it); or something is left, which the host named.
enum class Deleted { All, NoneFound, NotAll };

// How making or renaming a staging folder went. Taken: something stands at
// the name already.
enum class Outcome { Done, Taken, Failed };

// Why a POSIX error number leaves a file: in use, access denied, or else.
Why whyOfErrno(int error);

// Paths are DOS paths as the launcher's lines give them ("c:\Tembrel", ".",
// "Tembrel"), taken from the working folder; each host resolves them its own
// way. A `listed` of false (">nul") drops a command's listing, never its
// errors.
class Host : public Platform {
public:
    // The key read, one contract on every host: the menu takes the first key
    // typed, one typed ahead of the menu included; a key after a prompt
    // (pause) must be pressed once the prompt shows, so keys typed ahead of
    // it (a held key repeating, five Backspaces at once) are dropped first
    // and never end a screen before it can be read.
    int readKey() final { return readKeystroke(false); }
    int keyAfterPrompt() { return readKeystroke(true); }

    // The launcher's command lines, carried out by the shared front.
    bool run(std::string_view commandLine) final;
    Leftovers removeStoppedCopies(std::string_view installFolder) final;
    std::string setAside(std::string_view folder) final;
    Stayed takeStayed() final;

    // The one record of what stayed, shared by every host's deletes: each
    // notes a path it reports as left, as it shows it (bytes, UTF-8 where
    // they are valid; or UTF-16), and why. The record keeps the path in the
    // console's OEM code page, any character that has no place there or
    // could move the cursor as '?'.
    static void noteStayed(std::string_view path, Why why);
    static void noteStayed(std::wstring_view path, Why why);
    // What was noted since the last take; the record starts afresh.
    static Stayed takeNoted();

    // The interpreter's texts in the form say() takes them: converted for
    // the console once, when the host is made, and used by every path.
    virtual const CommandTexts& texts() const = 0;
    // One of texts(), its "{}" filled with `name` as the host shows names.
    virtual void say(std::string_view text, std::string_view name, bool error) = 0;
    virtual void clear() = 0;
    // One keystroke's console code; `dropTypedAhead` drops the keys typed
    // before the wait first. Where no key can ever come, Esc (27).
    virtual int readKeystroke(bool dropTypedAhead) = 0;

    // The file commands. copyTree copies the folder's whole contents (hidden
    // files and empty folders included) into `dest`, which it creates, and
    // is false when something could not be copied. deleteFiles deletes the
    // files in the folder and its subfolders and says nothing when it finds
    // none: the front does. removeTree removes the folder and all it holds.
    // None of them follows a link out of the folder it works on.
    virtual bool copyTree(std::string_view folder, std::string_view dest, bool listed) = 0;
    virtual Deleted deleteFiles(std::string_view folder, bool listed) = 0;
    virtual bool removeTree(std::string_view folder, bool listed) = 0;
    // Starts the program the line names, from the ship folder, and waits.
    virtual Start startProgram(const CommandLine& command) = 0;

    // For a staged first copy (staging.h):
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
    // Renames the folder to `aside` in one step, never onto what stands
    // there, and holds `aside` as this run's, as claimStaging does. Taken:
    // the name is another's. Failed, the host having said why: the folder is
    // in use (a program works in it or holds a file of it open) or cannot
    // be moved.
    virtual Outcome moveAside(std::string_view folder, std::string_view aside) = 0;
    // The names in a folder; none when it cannot be read.
    virtual std::vector<std::string> namesIn(std::string_view folder) = 0;
    // Takes a staging folder that no running program holds (it was left by
    // a run that was killed), as makeStaging holds its own. False when a
    // running program holds it or it is gone.
    virtual bool claimStaging(std::string_view path) = 0;
};

}  // namespace tembrel
