// Stands in, in the Windows tests, for every program the launcher must never
// start: the command interpreter %ComSpec% names, and an XCOPY.EXE planted in
// the payload. Each start appends its own name and command line to
// C:\unexpected.txt, and ends.
#include <windows.h>

int main() {
    wchar_t name[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, name, MAX_PATH);
    const wchar_t* line = GetCommandLineW();
    HANDLE log = CreateFileW(L"C:\\unexpected.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written;
    WriteFile(log, name, n * sizeof(wchar_t), &written, nullptr);
    WriteFile(log, L" ", sizeof(wchar_t), &written, nullptr);
    WriteFile(log, line, lstrlenW(line) * sizeof(wchar_t), &written, nullptr);
    WriteFile(log, L"\n", sizeof(wchar_t), &written, nullptr);
    CloseHandle(log);
    return 0;
}
