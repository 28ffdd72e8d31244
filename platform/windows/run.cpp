// Runs command lines through the command interpreter, as system() does, also
// from a ship folder on a network share. The interpreter refuses a UNC working
// folder: it warns and runs the line in the Windows folder instead, where a
// copy would take the Windows folder's files. So from a share the interpreter
// starts in the Windows folder, and the line itself enters the share first.

#include <windows.h>

#include <cstdlib>
#include <vector>

#include "platform/windows/ops.h"
#include "platform/windows_paths.h"

namespace tembrel {

std::wstring widen(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

namespace {

std::wstring currentFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (n == 0) return {};
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(n);
    }
}

std::wstring windowsFolder() {
    wchar_t buffer[MAX_PATH];
    const UINT n = GetWindowsDirectoryW(buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : L"C:\\";
}

}  // namespace

void runCommandLine(std::string_view line) {
    const std::wstring wide = widen(line);
    const std::wstring folder = currentFolder();
    if (!isNetworkFolder(folder)) {
        _wsystem(wide.c_str());
        return;
    }
    SetCurrentDirectoryW(windowsFolder().c_str());
    _wsystem(inNetworkFolder(folder, wide).c_str());
    SetCurrentDirectoryW(folder.c_str());
}

}  // namespace tembrel
