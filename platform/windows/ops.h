#pragma once

// The Windows platform's parts, each in a file of its own.

#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/command_line.h"
#include "platform/command_texts.h"

namespace tembrel {

// The text in UTF-16, read in the ANSI code page as the C runtime reads paths.
std::wstring widen(std::string_view text);

// The standard output and error, each a console or whatever they are
// redirected to (console.cpp).
class Console {
public:
    Console();

    // OEM bytes (code page 850). A console shows them through the wide API,
    // so they read right whatever code page it is set to; redirected output
    // gets the bytes themselves. A line feed becomes CR LF.
    void write(std::string_view oem, bool error = false);

    // UTF-16 text, such as file names: a console shows it as it is;
    // redirected output gets it in the system's OEM code page.
    void writeWide(std::wstring_view text, bool error = false);

    // One of the edition's texts with each "{}" filled in with a name.
    void say(std::string_view text, std::initializer_list<std::wstring_view> names, bool error = false);

    // Blanks the console window and puts the cursor at its top left;
    // redirected output gets a form feed.
    void clear();

    // Waits for one keystroke, without echo, and returns its console code.
    int readKey();

    // True when no other program shares the console: the launcher got a
    // console window of its own (a double-click), which closes as it ends.
    bool alone() const;

private:
    struct Stream {
        HANDLE handle;
        bool console;
    };
    Stream out_, err_;
    const Stream& stream(bool error) const { return error ? err_ : out_; }
};

// How a program start went (program.cpp).
enum class Started { Yes, Missing, TooLong, Failed };

// Starts the program at `path` (a full path) with the command line as typed,
// in `folder`, and waits for it to end. Nothing is searched for: a program
// that is not at `path` is Missing. TooLong: the path or the folder is too
// long for Windows to start a program. Failed: Windows refused, for the
// reason that `error` then holds.
Started startProgram(const std::wstring& path, const CommandLine& command, const std::wstring& folder,
                     DWORD& error);

// Carries out one command line in the working folder `folder`, a full path,
// as the command interpreter would (interpreter.cpp). Returns false
// when the command could not do all it was asked; `notStarted` is set when a
// program could not be started.
bool interpret(std::string_view line, const std::wstring& folder, Console& console, const CommandTexts& texts,
               bool& notStarted);

}  // namespace tembrel
