// Stands in for the emulator package in the Windows tests: it appends the
// folder it was started from to C:\started.txt and ends.
#include <windows.h>

int main() {
    char folder[MAX_PATH + 2];
    DWORD n = GetCurrentDirectoryA(MAX_PATH, folder);
    folder[n++] = '\n';
    HANDLE log = CreateFileA("C:\\started.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written;
    WriteFile(log, folder, n, &written, nullptr);
    CloseHandle(log);
    return 0;
}
