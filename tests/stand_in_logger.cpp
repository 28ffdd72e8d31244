// Stands in, in the Windows tests, for every program the launcher must never
// start: the command interpreter %ComSpec% names, and an XCOPY.EXE planted in
// the payload. Each start appends its own name and command line to
// unexpected.txt in the folder that %TEMBREL_TEST_LOGS% names (else in
// drive C's top folder), and ends.
#include <windows.h>

int main() {
    wchar_t log[MAX_PATH + 16] = L"C:\\";
    const DWORD named = GetEnvironmentVariableW(L"TEMBREL_TEST_LOGS", log, MAX_PATH);
    if (named > 0 && named < MAX_PATH) lstrcatW(log, L"\\");
    lstrcatW(log, L"unexpected.txt");
    wchar_t name[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, name, MAX_PATH);
    const wchar_t* line = GetCommandLineW();
    HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    DWORD written;
    WriteFile(file, name, n * sizeof(wchar_t), &written, nullptr);
    WriteFile(file, L" ", sizeof(wchar_t), &written, nullptr);
    WriteFile(file, line, lstrlenW(line) * sizeof(wchar_t), &written, nullptr);
    WriteFile(file, L"\n", sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
    return 0;
}
