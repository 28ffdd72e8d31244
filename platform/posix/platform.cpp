// The launcher's platform on Linux and other POSIX systems: a terminal for the
// console, Wine's drive C for drive C, and a small built-in command interpreter.

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>

#include "launcher/launcher.h"
#include "platform/command_texts.h"
#include "platform/keys.h"
#include "platform/oem.h"
#include "platform/platform.h"
#include "platform/posix/fs.h"
#include "platform/posix/shell.h"
#include "platform/posix/terminal.h"

namespace tembrel {

namespace {

std::string unchanged(std::string_view text) { return std::string(text); }

using FileCommand = bool (*)(const CommandLine&, Shell&, CommandOutput&);

FileCommand fileCommandFor(const CommandLine& command) {
    if (command.is("xcopy")) return xcopyCommand;
    if (command.is("del") || command.is("erase")) return delCommand;
    if (command.is("rd") || command.is("rmdir")) return rdCommand;
    return nullptr;
}

class PosixPlatform final : public Platform, private ByteSource {
public:
    // Drive C is placed once, where Wine places it; programs start from the
    // folder the program starts in, which is kept open.
    explicit PosixPlatform(const CommandTexts& texts)
        : texts_(texts), folder_(startFolder()), shipFolder_(folder_),
          shipFd_(open(".", O_PATH | O_DIRECTORY | O_CLOEXEC)),
          shell_{&texts, driveCFolder(getenv("WINEPREFIX"), homeFolder().c_str())} {
        keepRunningOnWriteFailures();
    }
    ~PosixPlatform() override {
        if (shipFd_ >= 0) close(shipFd_);
        flush();
        // Keys typed but not read belong to this program, not to the shell
        // that takes the terminal back.
        discardUnreadKeys();
    }

    // The OEM letters go out as the terminal reads them: in UTF-8, spelled
    // out in ASCII where the locale has nothing but ASCII ("ue" for the
    // u with umlaut), and as they are anywhere else.
    void write(std::string_view text) override {
        if (hasNonAscii(text)) {
            pending_ += toTerminal()(text);
        } else {
            pending_ += text;
        }
    }

    // A file name, shown as the terminal can show it safely.
    void writeName(std::string_view name) { pending_ += shownName(name, utf8()); }
    // Drive C's folder, or why it has none.
    const std::string& driveC() const {
        return shell_.driveC.folder.empty() ? shell_.driveC.refusal : shell_.driveC.folder;
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
        std::string host;
        struct stat st;
        return hostPath(path, host) && stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    bool exists(std::string_view path) override {
        std::string host;
        struct stat st;
        return hostPath(path, host) && lstat(host.c_str(), &st) == 0;
    }

    // The delete commands here never follow a link, so only a link at the
    // path itself needs removing: it is the install, and removing it is the
    // uninstall. Another file system mounted at the path cannot be removed
    // as a link: no delete may go into it.
    bool removeLinks(std::string_view path) override {
        std::string host;
        if (!hostPath(path, host)) return false;
        struct stat st;
        if (lstat(host.c_str(), &st) != 0) return true;
        if (S_ISLNK(st.st_mode)) return unlink(host.c_str()) == 0;
        Fd folder(open(host.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat parent;
        if (!folder || stat(splitLast(host).first.c_str(), &parent) != 0 || !isMountPoint(folder.fd, parent.st_dev)) {
            return true;
        }
        flush();
        const CommandTexts& texts = terminalTexts();
        writeAll(STDERR_FILENO, fillIn(texts.cannotRemove, {path, texts.mountLeftAlone}));
        return false;
    }

    // Folders change by name, as on Windows: ".." leads back to the folder
    // a link was entered from, not to the parent of where the link points.
    bool changeDirectory(std::string_view path) override {
        std::string host;
        if (!hostPath(path, host)) return false;
        if (folder_.empty()) return chdir(host.c_str()) == 0;
        const std::string target = joinByName(folder_, host);
        if (chdir(target.c_str()) != 0) return false;
        folder_ = target;
        return true;
    }

    // By identity: from `path` up through "..", whatever links led there.
    // A path that is no folder counts by the folder that holds its name.
    bool encloses(std::string_view folder, std::string_view path) override {
        std::string outer, inner;
        if (!hostPath(folder, outer) || !hostPath(path, inner)) return false;
        struct stat st;
        if (stat(outer.c_str(), &st) != 0) return false;
        const FileId top = idOf(st);
        Fd at(open(inner.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!at) at.fd = open(splitLast(inner).first.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        return at && withinFolder(at.fd, top);
    }

    bool run(std::string_view line) override {
        flush();
        const CommandLine command = parseCommandLine(line);
        // Each line goes out as soon as it is made, as it is: file names are
        // the disk's bytes, not OEM text.
        CommandOutput output;
        output.progress = [this, &command](CommandOutput& o) { emit(o, command.outputToNul); };
        bool done = true;
        if (command.is("cls")) {
            // Escape sequences only for a terminal known to understand them.
            // The scrollback stays: what a command reported can still be read.
            write(isatty(STDOUT_FILENO) && ansiTerminal(getenv("TERM")) ? "\x1b[H\x1b[2J" : "\f");
        } else if (command.is("pause")) {
            if (!command.outputToNul) write(texts_.pressAnyKey);
            readKey();
            if (!command.outputToNul) write("\n");
        } else if (const FileCommand fileCommand = fileCommandFor(command)) {
            output.utf8 = utf8();
            terminalTexts();
            done = fileCommand(command, shell_, output);
        } else if (!command.name.empty()) {
            // DELTREE is no command of this interpreter, as on every Windows
            // since NT; and programs come from the ship folder alone.
            const std::string program = command.is("deltree") ? "" : findProgram(shipFd_, command.name);
            if (program.empty()) {
                output.err = fillIn(terminalTexts().notRecognized, {command.name});
                done = false;
            } else {
                done = runProgram(shipFolder_, shipFd_, program, command, terminalTexts(), output);
            }
        }
        emit(output, command.outputToNul);
        return done;
    }

private:
    // The interpreter's texts in the terminal's character set, as write()
    // puts the screens: its messages go out beside file names, which are the
    // disk's own bytes and must not be converted. Worked out on first use.
    const CommandTexts& terminalTexts() {
        if (!terminalTexts_) {
            terminalTexts_ = convertTexts(texts_, toTerminal(), textStorage_);
            shell_.texts = &*terminalTexts_;
        }
        return *terminalTexts_;
    }

    static std::string startFolder() {
        char buffer[PATH_MAX];
        return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
    }

    // False, with the reason shown once, for a path on a drive C that could
    // not be placed.
    bool hostPath(std::string_view dosPath, std::string& host) {
        std::string report;
        if (shell_.hostPath(dosPath, host, report)) return true;
        flush();
        writeAll(STDERR_FILENO, report);
        return false;
    }

    void flush() {
        writeOut(pending_);
        pending_.clear();
    }

    // Standard output that cannot be written (a closed pipe, a full disk) is
    // reported once on the error output; the run goes on.
    void writeOut(std::string_view text) {
        if (writeAll(STDOUT_FILENO, text) || outputFailed_) return;
        outputFailed_ = true;
        const std::string message = std::string("Cannot write the output: ") + std::strerror(errno) + "\n";
        writeAll(STDERR_FILENO, message);
    }

    void emit(CommandOutput& output, bool outputToNul) {
        flush();
        if (!outputToNul) writeOut(output.out);
        writeAll(STDERR_FILENO, output.err);
        output.out.clear();
        output.err.clear();
    }

    // ByteSource: the terminal, one byte at a time, so that nothing beyond
    // the keystroke is taken from the input.
    int next(int waitMs) override {
        if (waitMs >= 0 && !waitUntilReady(STDIN_FILENO, POLLIN, waitMs)) return noByte;
        while (true) {
            unsigned char byte;
            const ssize_t n = read(STDIN_FILENO, &byte, 1);
            if (n == 1) return byte;
            if (n < 0 && errno == EINTR) continue;
            // An input left non-blocking by whoever started the program:
            // nothing typed yet is no end of input.
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitUntilReady(STDIN_FILENO, POLLIN, waitMs))
                continue;
            return noByte;
        }
    }

    int eraseChar() override { return terminalEraseChar(); }

    bool utf8() override { return charset() == Charset::Utf8; }

    // Asked only when a text or a key needs it: most runs never pay for
    // loading the locale.
    Charset charset() {
        if (!charset_) charset_ = localeCharset();
        return *charset_;
    }

    std::string (*toTerminal())(std::string_view) {
        switch (charset()) {
        case Charset::Utf8:
            return oemToUtf8;
        case Charset::AsciiOnly:
            return oemToAscii;
        case Charset::Other:
            break;
        }
        return unchanged;
    }

    const CommandTexts& texts_;
    std::optional<CommandTexts> terminalTexts_;
    std::deque<std::string> textStorage_;
    std::string folder_;      // the working folder, by name
    std::string shipFolder_;  // the folder the program started in, by name
    int shipFd_;              // and open
    Shell shell_;
    std::string pending_;
    std::optional<Charset> charset_;
    bool outputFailed_ = false;
};

}  // namespace

std::unique_ptr<Platform> makePlatform(const CommandTexts& texts) { return std::make_unique<PosixPlatform>(texts); }

// --help and --version answer and end, touching nothing; any other argument
// is ignored, and the menu shows as always.
int programMain(const Edition& edition, int argc, char** argv) {
    const std::string_view option = argc > 1 ? argv[1] : "";
    PosixPlatform platform(edition.commandTexts);
    if (option == "--version") {
        platform.write(std::string(edition.programName) + " " + std::string(edition.version) + "\n");
    } else if (option == "--help") {
        const std::size_t mark = edition.usage.find("{}");
        platform.write(edition.usage.substr(0, mark));
        if (mark != std::string_view::npos) {
            platform.writeName(platform.driveC());
            platform.write(edition.usage.substr(mark + 2));
        }
    } else {
        return runLauncher(edition, platform);
    }
    return 0;
}

}  // namespace tembrel
