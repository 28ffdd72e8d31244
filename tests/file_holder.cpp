// Holds a file open with no sharing at all, as a program that has it open (or
// an antivirus scanning it) does. Makes the file "held" in the signal folder
// once it has it, and lets go when a file "release" appears there.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const std::wstring signals = argv[2];
    CloseHandle(CreateFileW((signals + L"\\held").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    while (GetFileAttributesW((signals + L"\\release").c_str()) == INVALID_FILE_ATTRIBUTES) Sleep(50);
    CloseHandle(file);
    return 0;
}
