// Starts a program by its full path and waits for it. Nothing is searched
// for (no PATH, no added extension, no batch file), so a same-named file
// elsewhere never runs in its place.

#include "platform/windows/commands.h"
#include "platform/windows/paths.h"

namespace tembrel {

namespace {

// A word as the program will read it back from its command line. Words hold
// no quotes: the command line's quotes are gone, and names cannot have them.
std::wstring quoted(const std::wstring& word) {
    if (!word.empty() && word.find_first_of(L" \t") == std::wstring::npos) return word;
    return L"\"" + word + L"\"";
}

// While a program runs, Ctrl+C and Ctrl+Break belong to it: it shares the
// console and handles them itself, and the launcher waits for it and ends as
// always. At other times there is no handler, so such an event ends the
// launcher (a key read at the menu takes Ctrl+C as a key instead). A handler,
// unlike ignoring the events outright, is not passed on to the program.
BOOL WINAPI leaveInterruptsToTheProgram(DWORD event) {
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

std::wstring currentFolder() {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetCurrentDirectoryW(MAX_PATH, buffer);
    return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

}  // namespace

Started startProgram(const std::wstring& path, const CommandLine& command, const std::wstring& folder,
                     DWORD& error) {
    const DWORD attributes = GetFileAttributesW(longForm(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return Started::Missing;
    // CreateProcessW takes neither the long form nor longer names: the
    // program's name and its working folder (with a closing backslash) must
    // each fit in MAX_PATH characters.
    if (path.size() >= MAX_PATH || folder.size() + 1 >= MAX_PATH) return Started::TooLong;

    std::wstring line = quoted(widen(command.name));
    for (const std::string& word : command.words) line += L" " + quoted(widen(word));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // The program starts in the launcher's own current folder, made the
    // working folder for the time: Wine cannot start a program in a share
    // folder named to CreateProcessW, but takes one inherited. The folder
    // goes back after, so that no folder stays held open.
    const std::wstring before = currentFolder();
    if (!SetCurrentDirectoryW(folder.c_str())) {
        error = GetLastError();
        return Started::Failed;
    }
    // The program shares the console and its standard handles, and takes
    // Ctrl+C and Ctrl+Break from it.
    SetConsoleCtrlHandler(leaveInterruptsToTheProgram, TRUE);
    const bool started =
        CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    if (started) {
        CloseHandle(process.hThread);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
    } else {
        error = GetLastError();
    }
    SetConsoleCtrlHandler(leaveInterruptsToTheProgram, FALSE);
    if (!before.empty()) SetCurrentDirectoryW(before.c_str());
    return started ? Started::Yes : Started::Failed;
}

}  // namespace tembrel
