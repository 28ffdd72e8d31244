#include "tests/windows/console_run.h"

#include <algorithm>
#include <vector>

namespace tembrel::windows_tests {

Key key(char c) {
    const SHORT vk = VkKeyScanW(static_cast<wchar_t>(c));
    const WORD virtualKey = vk == -1 ? 0 : LOBYTE(vk);
    return {static_cast<wchar_t>(c), virtualKey, static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC))};
}
const Key escape{27, VK_ESCAPE, 0x01};
const Key backspace{8, VK_BACK, 0x0e};
const Key enter{13, VK_RETURN, 0x1c};
// An extended key: no character, the program reads two codes.
const Key arrowUp{0, VK_UP, 0x48};

ConsoleRun::ConsoleRun(const std::wstring& program, const std::wstring& commandLine, const std::wstring& folder,
                       HANDLE output) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    input_ = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                         OPEN_EXISTING, 0, nullptr);
    FlushConsoleInputBuffer(input_);
    if (output == nullptr) {
        ownScreen_ = true;
        screen_ = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            &inherited, CONSOLE_TEXTMODE_BUFFER, nullptr);
        // Rows enough that nothing scrolls away; at least 80 columns, as
        // the screens are laid out for, or the window's width where wider.
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (GetConsoleScreenBufferInfo(screen_, &info)) {
            const SHORT width = std::max<SHORT>(80, static_cast<SHORT>(info.srWindow.Right - info.srWindow.Left + 1));
            SetConsoleScreenBufferSize(screen_, COORD{width, 2000});
        }
        output = screen_;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input_;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION info{};
    std::wstring line = commandLine;
    // A process group of its own, so that a Ctrl+Break can be sent to it
    // alone.
    if (CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP, nullptr,
                       folder.c_str(), &startup, &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
    }
}

ConsoleRun::~ConsoleRun() {
    if (process_ != nullptr) {
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 30000);
        }
        CloseHandle(process_);
    }
    if (ownScreen_) CloseHandle(screen_);
    CloseHandle(input_);
}

bool ConsoleRun::waitFor(const std::wstring& text, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (screen().find(text) == std::wstring::npos) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(50);
    }
    return true;
}

bool ConsoleRun::stillRunningAfter(DWORD ms) {
    return process_ != nullptr && WaitForSingleObject(process_, ms) == WAIT_TIMEOUT;
}

void ConsoleRun::type(const Key& key) {
    INPUT_RECORD records[2]{};
    for (INPUT_RECORD& r : records) {
        r.EventType = KEY_EVENT;
        r.Event.KeyEvent.wRepeatCount = 1;
        r.Event.KeyEvent.wVirtualKeyCode = key.virtualKey;
        r.Event.KeyEvent.wVirtualScanCode = key.scanCode;
        r.Event.KeyEvent.uChar.UnicodeChar = key.character;
        if (key.character == 0) r.Event.KeyEvent.dwControlKeyState = ENHANCED_KEY;
    }
    records[0].Event.KeyEvent.bKeyDown = TRUE;
    DWORD written;
    WriteConsoleInputW(input_, records, 2, &written);
}

long long ConsoleRun::wait(DWORD timeoutMs) {
    DWORD status;
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_, &status))
        return -1;
    return status;
}

long long ConsoleRun::stop(bool kill) {
    if (kill) TerminateProcess(process_, 9);
    else GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, id_);
    return wait(240000);
}

std::wstring ConsoleRun::screen() const {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!ownScreen_ || !GetConsoleScreenBufferInfo(screen_, &info)) return L"";
    const DWORD width = static_cast<DWORD>(info.dwSize.X);
    // Up to the cursor's row: below it nothing is written yet.
    const DWORD rows = static_cast<DWORD>(info.dwCursorPosition.Y) + 1;
    std::vector<wchar_t> cells(width * rows);
    DWORD read = 0;
    ReadConsoleOutputCharacterW(screen_, cells.data(), static_cast<DWORD>(cells.size()), COORD{0, 0}, &read);
    std::wstring text;
    for (DWORD row = 0; row * width < read; ++row) {
        std::wstring line(cells.data() + row * width, std::min(width, read - row * width));
        line.erase(line.find_last_not_of(L' ') + 1);
        text += line + L"\n";
    }
    return text;
}

}  // namespace tembrel::windows_tests
