// The console of the Windows platform: texts out, keys in, the window cleared.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

namespace tembrel {

// A word of a command line (a path, a program's name) in UTF-16. The
// launcher's lines are plain ASCII; any other byte is taken in the ANSI code
// page, as Windows takes a narrow path.
std::wstring widen(std::string_view text);

// The standard output and error, each a console or whatever they are
// redirected to.
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

    // Waits for one keystroke, without echo, and returns its console code;
    // `fresh` drops the keys typed before the wait first. Where no key can
    // be read (no console, redirected input at its end) the answer is Esc.
    int readKey(bool fresh = false);

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

}  // namespace tembrel
