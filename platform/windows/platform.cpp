// The Windows host's console and paths, and the programs' entry, which takes
// no arguments.

#include <cstdlib>
#include <vector>

#include "platform/windows/errors.h"
#include "platform/windows/host.h"
#include "platform/windows/paths.h"
#include "platform/windows/walk.h"

namespace tembrel {

namespace {

// A Ctrl+C or Ctrl+Break that no running program takes (the handler around
// a program's run takes those first), the console closed, the user logging
// off, Windows shutting down: a first copy under way stops and removes its
// staging folder, and the launcher ends as Windows' own handler ends a
// console program, by ExitProcess with STATUS_CONTROL_C_EXIT (0xC000013A).
// Wine's own handler would end it with status 0 (wine.h). An uninstall
// stopped so leaves the install path empty: its folder was moved aside
// first, and goes with the next "1" or "2".
// Ctrl+C and Ctrl+Break leave the handler all the time it takes; the close,
// log-off and shutdown events 5 seconds (SPI_GETHUNGAPPTIMEOUT), after which
// Windows ends the program: the wait stops a second short of that, and what
// is left of the folder goes at the next start (learn.microsoft.com/en-us/
// windows/console/handlerroutine, .../console/ctrl-close-signal).
BOOL WINAPI removeStagingFirst(DWORD event) {
    stopStagedCopy(event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? INFINITE : 4000);
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

// The payload and the emulator starter lie beside the program, whatever
// folder it was started from (a shortcut, the Run dialog, another prompt).
std::wstring programPath() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return L".\\";
        if (n < path.size()) return std::wstring(path.data(), n);
        path.resize(path.size() * 2);
    }
}

// A process's current folder cannot be removed while the process runs, so
// one inside the install (a shortcut's "Start in", a batch file there) would
// fail every uninstall. The launcher's own folder is used instead, or the
// Windows folder where that does not fit SetCurrentDirectory's MAX_PATH
// limit (two characters kept for the closing backslash and the null).
// Relative names never rely on it: the platform works in full paths.
void leaveTheCurrentFolder(const std::wstring& ownFolder) {
    if (ownFolder.size() + 2 <= MAX_PATH && SetCurrentDirectoryW(ownFolder.c_str())) return;
    wchar_t windows[MAX_PATH];
    const UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
    if (n > 0 && n < MAX_PATH) SetCurrentDirectoryW(windows);
}

// What a file is, whatever name or link leads to it: the volume's serial
// number and the file's index. On FAT and exFAT the index comes from where
// the file's entry lies, and on a CD from its directory record, so it can
// change when a file moves, but not while one check runs; two volumes of
// one serial number could only make a check refuse an uninstall.
struct Identity {
    DWORD volume = 0, high = 0, low = 0;
    bool operator==(const Identity&) const = default;
};

bool identify(const std::wstring& fullPath, Identity& identity) {
    // Backup semantics open folders too; no access is asked for, only the
    // file's identity, so the file's own permissions do not matter.
    const HANDLE file = CreateFileW(longForm(fullPath).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return known;
}

}  // namespace

WindowsHost::WindowsHost(const CommandTexts& texts, const std::wstring& folder) : texts_(texts), folder_(folder) {
    leaveTheCurrentFolder(folder_);
}

void WindowsHost::say(std::string_view text, std::string_view name, bool error) {
    console_.say(text, {widen(name)}, error);
}

bool WindowsHost::isDirectory(std::string_view path) {
    const DWORD attributes = GetFileAttributesW(longPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool WindowsHost::exists(std::string_view path) {
    return GetFileAttributesW(longPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WindowsHost::removeLink(std::string_view path) { return tembrel::removeLink(longPath(path)) == 0; }

// By name, as the command interpreter does: ".." leads back to the folder a
// link was entered from.
bool WindowsHost::changeDirectory(std::string_view path) {
    std::wstring folder = fullPath(folder_, widen(path));
    const DWORD attributes = GetFileAttributesW(longForm(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    folder_ = std::move(folder);
    return true;
}

// Walks up from `path` by name, comparing each folder's identity with
// `folder`'s, so that a link or another name for the folder is found too.
bool WindowsHost::encloses(std::string_view folder, std::string_view path) {
    Identity outer, inner;
    std::wstring at = fullPath(folder_, widen(path));
    if (!identify(fullPath(folder_, widen(folder)), outer) || !identify(at, inner)) return false;
    for (bool known = true;; known = identify(at, inner)) {
        if (known && inner == outer) return true;
        const std::wstring up = parentOf(at);
        if (up == at) return false;
        at = up;
    }
}

void WindowsHost::keepMessageReadable() {
    if (notStarted_ && console_.alone()) run("pause");
}

// The programs ignore their arguments.
int platformMain(const ProgramInfo&, const CommandTexts& texts, int, char**,
                 const std::function<int(Platform&)>& launcher) {
    // A program started by a device path with no drive or share in it
    // ("\\?\Volume{...}\...") has no folder that the commands can name.
    const std::wstring program = programPath();
    const std::wstring folder = folderOfProgram(program);
    if (folder.empty()) {
        Console().writeWide(program + L": " + reason(ERROR_BAD_PATHNAME) + L"\n", true);
        return 1;
    }
    SetConsoleCtrlHandler(removeStagingFirst, TRUE);
    WindowsHost host(texts, folder);
    const int status = launcher(host);
    host.keepMessageReadable();
    return status;
}

}  // namespace tembrel

// The C++ runtime's default handler for an exception nobody catches names it,
// with a name demangler that takes up a sixth of the program. This one ends
// the program just the same, without the name.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
