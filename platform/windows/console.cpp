// The console of the Windows platform: texts out, keys in, the window cleared.

#include <conio.h>
#include <cstdio>

#include "platform/oem.h"
#include "platform/windows/console.h"

namespace tembrel {

namespace {

bool isConsole(HANDLE handle) {
    DWORD mode;
    return GetConsoleMode(handle, &mode) != 0;
}

void writeBytes(HANDLE handle, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written == 0)
            return;
        bytes.remove_prefix(written);
    }
}

// In pieces: older Windows refuse a large console write outright.
void writeConsole(HANDLE handle, std::wstring_view text) {
    constexpr std::size_t piece = 4096;
    while (!text.empty()) {
        const std::wstring_view part = text.substr(0, piece);
        DWORD written = 0;
        if (!WriteConsoleW(handle, part.data(), static_cast<DWORD>(part.size()), &written, nullptr) || written == 0)
            return;
        text.remove_prefix(written);
    }
}

}  // namespace

std::wstring widen(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

Console::Console()
    : out_{GetStdHandle(STD_OUTPUT_HANDLE), false}, err_{GetStdHandle(STD_ERROR_HANDLE), false} {
    out_.console = isConsole(out_.handle);
    err_.console = isConsole(err_.handle);
}

void Console::write(std::string_view text, bool error) {
    const Stream& s = stream(error);
    if (s.console) {
        writeWide(oemToWide(text), error);
    } else {
        std::string bytes;
        bytes.reserve(text.size() + 8);
        for (char c : text) {
            if (c == '\n') bytes += '\r';
            bytes += c;
        }
        writeBytes(s.handle, bytes);
    }
}

void Console::writeWide(std::wstring_view text, bool error) {
    std::wstring lines;
    lines.reserve(text.size() + 8);
    for (wchar_t c : text) {
        if (c == L'\n') lines += L'\r';
        lines += c;
    }
    const Stream& s = stream(error);
    if (s.console) {
        writeConsole(s.handle, lines);
        return;
    }
    const int size = static_cast<int>(lines.size());
    if (size == 0) return;
    std::string bytes(static_cast<std::size_t>(WideCharToMultiByte(CP_OEMCP, 0, lines.data(), size, nullptr, 0,
                                                                   nullptr, nullptr)),
                      '\0');
    WideCharToMultiByte(CP_OEMCP, 0, lines.data(), size, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                        nullptr);
    writeBytes(s.handle, bytes);
}

void Console::say(std::string_view text, std::initializer_list<std::wstring_view> names, bool error) {
    auto name = names.begin();
    std::size_t start = 0;
    for (std::size_t mark = text.find("{}"); mark != std::string_view::npos; mark = text.find("{}", start)) {
        write(text.substr(start, mark - start), error);
        if (name != names.end()) writeWide(*name++, error);
        start = mark + 2;
    }
    write(text.substr(start), error);
}

void Console::clear() {
    CONSOLE_SCREEN_BUFFER_INFO screen;
    if (!out_.console || !GetConsoleScreenBufferInfo(out_.handle, &screen)) {
        if (!out_.console) writeBytes(out_.handle, "\f");
        return;
    }
    const DWORD cells = static_cast<DWORD>(screen.dwSize.X) * static_cast<DWORD>(screen.dwSize.Y);
    const COORD home = {0, 0};
    DWORD done;
    FillConsoleOutputCharacterW(out_.handle, L' ', cells, home, &done);
    FillConsoleOutputAttribute(out_.handle, screen.wAttributes, cells, home, &done);
    SetConsoleCursorPosition(out_.handle, home);
}

// A function or arrow key comes as two codes, 0 or 224 and then the key's
// own; the second is taken too, so that it is not the next key read.
int Console::readKey(bool fresh) {
    constexpr int esc = 27;
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    if (in == nullptr || in == INVALID_HANDLE_VALUE) return esc;
    if (!isConsole(in)) {
        // Redirected input (a file, a pipe, the null device): its next byte
        // is the key, as pause takes it. At its end no key can ever come,
        // which counts as Esc, so the launcher ends rather than waits.
        char byte;
        DWORD read = 0;
        return ReadFile(in, &byte, 1, &read, nullptr) && read == 1 ? static_cast<unsigned char>(byte) : esc;
    }
    // Keys typed ahead, or a held key repeating, must not answer a wait that
    // was not yet on the screen (FlushConsoleInputBuffer, Windows 2000 on).
    if (fresh) FlushConsoleInputBuffer(in);
    const int code = _getch();
    if (code == EOF) return esc;
    if (code != 0 && code != 224) return code;
    _getch();
    return 224;
}

bool Console::alone() const {
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
}

}  // namespace tembrel
