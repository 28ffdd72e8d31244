// Stands in for the emulator package in the Windows tests: it appends the
// folder it was started from to started.txt in the folder that
// %TEMBREL_TEST_LOGS% names (else in drive C's top folder), and ends.
#include <windows.h>

int main() {
    char log[MAX_PATH + 16] = "C:\\";
    const DWORD named = GetEnvironmentVariableA("TEMBREL_TEST_LOGS", log, MAX_PATH);
    if (named > 0 && named < MAX_PATH) lstrcatA(log, "\\");
    lstrcatA(log, "started.txt");
    char folder[MAX_PATH + 2];
    DWORD n = GetCurrentDirectoryA(MAX_PATH, folder);
    folder[n++] = '\n';
    HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    DWORD written;
    WriteFile(file, folder, n, &written, nullptr);
    CloseHandle(file);
    return 0;
}
