// Stands in for Windows' command interpreter in the Windows tests, named by
// %ComSpec%. Wine's cmd takes a network-share (UNC) working folder; Windows'
// cmd refuses it: it warns and runs the line in the Windows folder instead.
// This one does the same, then hands its command line to Wine's cmd. It also
// does Windows' "pushd <share folder> && ...": Windows gives the share a drive
// letter for the line, while Wine's pushd takes quotes as part of the name,
// keeps a share folder that relative names then fail in, and lets "&&" go on
// after a failure. Each start appends the folder the line runs in to
// C:\comspec.txt.
#include <windows.h>

#include <string>

namespace {

void writeTo(HANDLE handle, const std::wstring& text) {
    const std::string bytes(text.begin(), text.end());  // the tests' names are ASCII
    DWORD written;
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// The command line without the program's own name.
std::wstring arguments() {
    const wchar_t* line = GetCommandLineW();
    bool quoted = false;
    for (; *line && (quoted || (*line != L' ' && *line != L'\t')); ++line) {
        if (*line == L'"') quoted = !quoted;
    }
    return line;
}

// The share folder by a drive name, as Windows' pushd gives it one: here the
// name Wine has for the same Unix folder.
std::wstring driveName(const std::wstring& folder) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    using ToDos = wchar_t*(CDECL*)(const char*);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
    auto toDos = reinterpret_cast<ToDos>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
    char* unix = toUnix ? toUnix(folder.c_str()) : nullptr;
    wchar_t* dos = unix ? toDos(unix) : nullptr;
    return dos ? std::wstring(dos) : folder;
}

// "pushd F && LINE & popd" as Windows runs it: enters F, or fails and runs
// nothing. Leaves `args` as " /c LINE"; false when F cannot be entered.
bool doPushd(std::wstring& args) {
    const std::wstring pushd = L" /c pushd ", then = L" && ", popd = L" & popd";
    const std::size_t and_ = args.find(then);
    if (args.compare(0, pushd.size(), pushd) != 0 || and_ == std::wstring::npos) return true;
    std::wstring folder = args.substr(pushd.size(), and_ - pushd.size());
    if (folder.size() > 1 && folder.front() == L'"') folder = folder.substr(1, folder.size() - 2);
    std::wstring line = args.substr(and_ + then.size());
    if (line.size() >= popd.size() && line.compare(line.size() - popd.size(), popd.size(), popd) == 0)
        line.resize(line.size() - popd.size());
    args = L" /c " + line;
    return SetCurrentDirectoryW(driveName(folder).c_str()) != 0;
}

}  // namespace

int main() {
    wchar_t folder[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, folder);
    std::wstring ranIn = folder;
    if (ranIn.compare(0, 2, L"\\\\") == 0) {
        writeTo(GetStdHandle(STD_ERROR_HANDLE),
                L"'" + ranIn + L"'\r\nCMD.EXE was started with the above path as the current directory.\r\n"
                L"UNC paths are not supported.  Defaulting to Windows directory.\r\n");
        GetWindowsDirectoryW(folder, MAX_PATH);
        SetCurrentDirectoryW(folder);
        ranIn = folder;
    }
    std::wstring args = arguments();
    if (!doPushd(args)) {
        writeTo(GetStdHandle(STD_ERROR_HANDLE), L"The network path was not found.\r\n");
        return 1;
    }
    GetCurrentDirectoryW(MAX_PATH, folder);
    ranIn = folder;
    HANDLE log = CreateFileW(L"C:\\comspec.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    writeTo(log, ranIn + L"\n");
    CloseHandle(log);

    wchar_t cmd[MAX_PATH];
    GetSystemDirectoryW(cmd, MAX_PATH);
    std::wstring commandLine = L"cmd.exe" + args;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW((std::wstring(cmd) + L"\\cmd.exe").c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                        nullptr, nullptr, &startup, &process))
        return 1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    return static_cast<int>(status);
}
