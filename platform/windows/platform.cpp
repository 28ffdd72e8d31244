// The launcher's platform on Windows: the console, the C runtime and cmd.

#include <conio.h>
#include <direct.h>
#include <windows.h>

#include <string>
#include <vector>

#include "launcher/launcher.h"
#include "platform/command_texts.h"
#include "platform/oem.h"
#include "platform/platform.h"
#include "platform/windows/files.h"
#include "platform/windows/ops.h"
#include "platform/windows_paths.h"

namespace tembrel {

namespace {

// Ctrl+C and Ctrl+Break belong to the command that runs at the time, which
// handles them itself; the launcher waits for it and ends as always. At the
// menu the key read takes Ctrl+C as a key. Unlike ignoring the events
// outright, a handler is not passed on to the commands.
BOOL WINAPI leaveInterruptsToTheCommand(DWORD event) {
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

// The payload and the emulator starter lie beside the program, whatever
// folder it was started from (a shortcut, the Run dialog, another prompt).
void enterProgramFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return;
        if (n < path.size()) {
            SetCurrentDirectoryW(folderOfProgram(std::wstring_view(path.data(), n)).c_str());
            return;
        }
        path.resize(path.size() * 2);
    }
}

class WindowsPlatform final : public Platform {
public:
    explicit WindowsPlatform(const CommandTexts& texts) : texts_(texts), out_(GetStdHandle(STD_OUTPUT_HANDLE)) {
        DWORD mode;
        console_ = GetConsoleMode(out_, &mode) != 0;
        SetConsoleCtrlHandler(leaveInterruptsToTheCommand, TRUE);
        enterProgramFolder();
    }

    // On a console the text goes out through the wide console API, so its OEM
    // letters read right whatever code page the console is set to (the C
    // runtime's text stream drops them on some). Redirected output gets the
    // OEM bytes themselves. Either way a line feed becomes CR LF, as in a text
    // stream, and nothing is held back: the text is out when write returns.
    void write(std::string_view text) override {
        if (console_) {
            std::wstring wide;
            wide.reserve(text.size() + 8);
            for (unsigned char c : text) {
                if (c == '\n') wide += L'\r';
                wide += static_cast<wchar_t>(oemToUnicode(c));
            }
            DWORD written;
            WriteConsoleW(out_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        } else {
            std::string bytes;
            bytes.reserve(text.size() + 8);
            for (char c : text) {
                if (c == '\n') bytes += '\r';
                bytes += c;
            }
            DWORD written;
            WriteFile(out_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        }
    }

    int readKey() override { return _getch(); }

    bool isDirectory(std::string_view path) override {
        const DWORD attributes = GetFileAttributesW(widen(path).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }

    bool exists(std::string_view path) override {
        return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    bool removeLinks(std::string_view path) override { return removeReparsePoints(widen(path)); }

    bool changeDirectory(std::string_view path) override { return _chdir(std::string(path).c_str()) == 0; }

    // Not yet worked out here: nothing counts as enclosed.
    bool encloses(std::string_view, std::string_view) override { return false; }

    bool run(std::string_view line) override {
        runCommandLine(line);
        return true;
    }

private:
    const CommandTexts& texts_;
    HANDLE out_;
    bool console_ = false;
};

}  // namespace

std::unique_ptr<Platform> makePlatform(const CommandTexts& texts) { return std::make_unique<WindowsPlatform>(texts); }

int programMain(const Edition& edition, int, char**) {
    WindowsPlatform platform(edition.commandTexts);
    return runLauncher(edition, platform);
}

}  // namespace tembrel
