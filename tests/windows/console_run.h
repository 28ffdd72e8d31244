// One run of a program in this console, as a person at the keyboard sees it:
// keys go into the console's input as key events, the screen is read back
// from a screen buffer of the run's own, so that the tests' own output stays
// where it is.
#pragma once

#include <windows.h>

#include <string>

namespace tembrel::windows_tests {

// A key as the keyboard gives it: the character it types (0 for none) and
// its virtual-key and scan codes.
struct Key {
    wchar_t character;
    WORD virtualKey;
    WORD scanCode;
};
Key key(char c);
extern const Key escape, backspace, enter, arrowUp;

class ConsoleRun {
public:
    // Starts `program` (a full path) with `commandLine` in `folder`, its
    // standard output and error in a fresh screen buffer, or in `output`
    // where given; its standard input is the console's. Keys left from an
    // earlier run are dropped first.
    ConsoleRun(const std::wstring& program, const std::wstring& commandLine, const std::wstring& folder,
               HANDLE output = nullptr);
    ~ConsoleRun();
    ConsoleRun(const ConsoleRun&) = delete;
    ConsoleRun& operator=(const ConsoleRun&) = delete;

    bool started() const { return process_ != nullptr; }
    HANDLE process() const { return process_; }
    // Reads the screen until it shows `text`; false when it does not within the time.
    bool waitFor(const std::wstring& text, DWORD timeoutMs);
    // True when the program still runs after `ms` milliseconds.
    bool stillRunningAfter(DWORD ms);
    void type(const Key& key);
    // Waits for the end; the exit status, or -1 when it did not end in time.
    long long wait(DWORD timeoutMs);
    // Ends it by TerminateProcess (status 9) or, its own process group's
    // only, a Ctrl+Break; then waits for the end as wait() does.
    long long stop(bool kill);
    DWORD id() const { return id_; }
    // The screen's rows, each without its trailing blanks, one per line.
    std::wstring screen() const;

private:
    HANDLE screen_ = INVALID_HANDLE_VALUE;
    HANDLE input_ = INVALID_HANDLE_VALUE;
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
    bool ownScreen_ = false;
};

}  // namespace tembrel::windows_tests
