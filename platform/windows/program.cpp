// Starts a program by its full path and waits for it. Nothing is searched
// for (no PATH, no added extension, no batch file), so a same-named file
// elsewhere never runs in its place.

#include <windows.h>
#include <shellapi.h>

#include "platform/windows/commands.h"
#include "platform/windows/console.h"
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

// A program whose manifest asks for an administrator's rights, or that
// Windows takes for an installer, is refused by CreateProcessW with
// ERROR_ELEVATION_REQUIRED (740; learn.microsoft.com/en-us/windows/win32/
// debug/system-error-codes--500-999-); only the shell asks the user for
// permission and starts it. ShellExecuteExW (Windows XP on; .../win32/api/
// shellapi/nf-shellapi-shellexecuteexw) with SEE_MASK_NOCLOSEPROCESS hands
// back the process to wait for, or none where no process was made
// (.../win32/api/shellapi/ns-shellapi-shellexecuteinfow). shell32.dll is
// loaded only here and by its full path in the system folder
// (.../win32/api/sysinfoapi/nf-sysinfoapi-getsystemdirectoryw), so that no
// same-named file beside the launcher is loaded (.../win32/api/libloaderapi/
// nf-libloaderapi-loadlibraryw) and the launcher's imports stay as they are.
bool startThroughTheShell(const std::wstring& path, const std::wstring& words, const std::wstring& folder,
                          DWORD& error) {
    wchar_t system[MAX_PATH];
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        error = GetLastError();
        return false;
    }
    const HMODULE shell = LoadLibraryW((std::wstring(system, n) + L"\\shell32.dll").c_str());
    if (shell == nullptr) {
        error = GetLastError();
        return false;
    }
    using Execute = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);
    const auto execute =
        reinterpret_cast<Execute>(reinterpret_cast<void (*)()>(GetProcAddress(shell, "ShellExecuteExW")));
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = path.c_str();
    info.lpParameters = words.empty() ? nullptr : words.c_str();
    info.lpDirectory = folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    const bool started = execute != nullptr && execute(&info);
    if (!started) error = execute == nullptr ? ERROR_PROC_NOT_FOUND : GetLastError();
    if (started && info.hProcess != nullptr) {
        WaitForSingleObject(info.hProcess, INFINITE);
        CloseHandle(info.hProcess);
    }
    FreeLibrary(shell);
    return started;
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

    std::wstring words;
    for (const std::string& word : command.words) words += L" " + quoted(widen(word));
    std::wstring line = quoted(widen(command.name)) + words;
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
    bool started =
        CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    if (started) {
        CloseHandle(process.hThread);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
    } else {
        error = GetLastError();
        constexpr DWORD elevationRequired = 740;  // ERROR_ELEVATION_REQUIRED, Vista on
        if (error == elevationRequired)
            started = startThroughTheShell(path, words.empty() ? words : words.substr(1), folder, error);
    }
    SetConsoleCtrlHandler(leaveInterruptsToTheProgram, FALSE);
    if (!before.empty()) SetCurrentDirectoryW(before.c_str());
    return started ? Started::Yes : Started::Failed;
}

}  // namespace tembrel
