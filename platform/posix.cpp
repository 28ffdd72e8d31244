// The launcher's platform on Linux and other POSIX systems: a terminal for the
// console, Wine's drive C for drive C, and a small built-in command interpreter.

#include <langinfo.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "platform/keys.h"
#include "platform/oem.h"
#include "platform/platform.h"
#include "platform/posix_shell.h"

namespace tembrel {

namespace {

// The terminal settings found at the first key read. They are put back after
// every read, at exit, and when a signal ends the program during a read.
struct termios savedTerminal;
bool terminalSaved = false;
volatile sig_atomic_t terminalRaw = 0;

void restoreTerminal() {
    if (terminalRaw) {
        tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
        terminalRaw = 0;
    }
}

void restoreAndDie(int signal) {
    restoreTerminal();
    // The handler was reset to the default on entry: dying of the signal
    // tells the parent the truth about how the program ended.
    raise(signal);
}

void saveTerminalOnce() {
    if (terminalSaved) return;
    terminalSaved = true;
    tcgetattr(STDIN_FILENO, &savedTerminal);
    std::atexit(restoreTerminal);
    struct sigaction action {};
    action.sa_handler = restoreAndDie;
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(signal, &action, nullptr);
}

void enterRawMode() {
    saveTerminalOnce();
    struct termios raw = savedTerminal;
    // No echo, no line editing, no signal keys (Ctrl+C is a key as on
    // Windows), Enter arrives as 13. Output processing stays on so that a
    // line feed still starts a new line.
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON | ISTRIP);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    terminalRaw = 1;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
}

void writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

class PosixPlatform final : public Platform, private ByteSource {
public:
    PosixPlatform() : driveC_(driveCFolder(getenv("WINEPREFIX"), getenv("HOME"))) {}
    ~PosixPlatform() override { flush(); }

    void write(std::string_view text) override {
        if (hasNonAscii(text) && utf8()) {
            pending_ += oemToUtf8(text);
        } else {
            pending_ += text;
        }
    }

    int readKey() override {
        if (!isatty(STDIN_FILENO)) {
            flush();
            const int byte = next(-1);
            return byte == noByte ? 27 : byte;
        }
        // Echo goes off before the prompt shows, so a key typed the moment it
        // appears is not echoed by the terminal.
        enterRawMode();
        flush();
        const int code = decodeKey(*this);
        restoreTerminal();
        return code;
    }

    bool isDirectory(std::string_view path) override {
        struct stat st;
        return stat(hostPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    bool exists(std::string_view path) override {
        struct stat st;
        return lstat(hostPath(path).c_str(), &st) == 0;
    }

    // The delete commands here never follow a link, so only a link at the
    // path itself needs removing: it is the install, and removing it is the
    // uninstall.
    bool removeLinks(std::string_view path) override {
        const std::string host = hostPath(path);
        struct stat st;
        if (lstat(host.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        return unlink(host.c_str()) == 0;
    }

    bool changeDirectory(std::string_view path) override { return chdir(hostPath(path).c_str()) == 0; }

    void run(std::string_view line) override {
        flush();
        const CommandLine command = parseCommandLine(line);
        CommandOutput output;
        if (command.is("cls")) {
            write(isatty(STDOUT_FILENO) ? "\x1b[H\x1b[2J\x1b[3J" : "\f");
        } else if (command.is("pause")) {
            if (!command.outputToNul) write("Press any key to continue . . . ");
            readKey();
            if (!command.outputToNul) write("\n");
        } else if (command.is("xcopy")) {
            xcopyCommand(command, driveC_, output);
        } else if (command.is("del") || command.is("erase")) {
            delCommand(command, driveC_, output);
        } else if (command.is("rd") || command.is("rmdir")) {
            rdCommand(command, driveC_, output);
        } else if (!command.name.empty()) {
            const std::string program = findProgram(command.name);
            if (program.empty()) {
                output.err = "'" + command.name +
                             "' is not recognized as an internal or external command,\n"
                             "operable program or batch file.\n";
            } else {
                runProgram(program, command);
            }
        }
        if (!command.outputToNul) write(output.out);
        flush();
        writeAll(STDERR_FILENO, output.err);
    }

private:
    std::string hostPath(std::string_view dosPath) const { return resolvePath(mapDosPath(dosPath, driveC_)); }

    void flush() {
        writeAll(STDOUT_FILENO, pending_);
        pending_.clear();
    }

    // ByteSource: the terminal, one byte at a time, so that nothing beyond
    // the keystroke is taken from the input.
    int next(int waitMs) override {
        if (waitMs >= 0) {
            struct pollfd p = {STDIN_FILENO, POLLIN, 0};
            int ready;
            while ((ready = poll(&p, 1, waitMs)) < 0 && errno == EINTR) {
            }
            if (ready <= 0) return noByte;
        }
        unsigned char byte;
        ssize_t n;
        while ((n = read(STDIN_FILENO, &byte, 1)) < 0 && errno == EINTR) {
        }
        return n == 1 ? byte : noByte;
    }

    int eraseChar() override {
        const cc_t erase = savedTerminal.c_cc[VERASE];
        return erase == _POSIX_VDISABLE ? 127 : erase;
    }

    bool utf8() override {
        // Asked only when a text or a key needs it: most runs never pay for
        // loading the locale.
        if (utf8_ < 0) {
            setlocale(LC_CTYPE, "");
            utf8_ = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0 ? 1 : 0;
        }
        return utf8_ == 1;
    }

    const std::string driveC_;
    std::string pending_;
    int utf8_ = -1;
};

}  // namespace

std::unique_ptr<Platform> makePlatform() { return std::make_unique<PosixPlatform>(); }

}  // namespace tembrel
