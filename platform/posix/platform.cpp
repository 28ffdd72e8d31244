// The launcher's platform on Linux and other POSIX systems: a terminal for the
// console, Wine's drive C for drive C, and the host of the built-in command
// interpreter; and the programs' entry, which takes --help and --version.

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

#include "platform/command_texts.h"
#include "platform/interpreter.h"
#include "platform/oem.h"
#include "platform/platform.h"
#include "platform/posix/commands.h"
#include "platform/posix/keys.h"
#include "platform/posix/names.h"
#include "platform/posix/options.h"
#include "platform/posix/terminal.h"
#include "platform/posix/walk.h"
#include "platform/staging.h"

namespace tembrel {

namespace {

class PosixPlatform final : public Platform, private PosixCommands, private ByteSource {
public:
    // Drive C is placed once, where Wine places it; programs start from the
    // folder the program starts in, which is kept open.
    explicit PosixPlatform(const CommandTexts& texts)
        : PosixCommands(Shell{&texts, {ownDriveC(driveCFolder(getenv("WINEPREFIX"), homeFolder().c_str()))}}, startFolder(),
                        open(".", O_PATH | O_DIRECTORY | O_CLOEXEC),
                        [this](CommandOutput& o, bool listed) { emit(o, listed); }),
          texts_(texts), folder_(shipFolder_) {
        struct stat st;
        if (fstat(shipFd_, &st) == 0) shell_.ship = idOf(st);
        keepRunningOnWriteFailures();
    }
    ~PosixPlatform() override {
        flush();
        // Keys typed while the menu waited, and not read, belong to this
        // program, not to the shell that takes the terminal back. A run that
        // read no key (--help, --version) leaves the terminal alone: a flush
        // would stop it in the background and swallow a line typed after it.
        if (keysRead_) discardUnreadKeys();
    }

    // The OEM letters go out as the terminal reads them: in UTF-8, in
    // Latin-1 or Latin-9, spelled out in ASCII where the locale has nothing
    // but ASCII ("ue" for the u with umlaut), and as they are anywhere else.
    void write(std::string_view text) override {
        if (hasNonAscii(text)) {
            pending_ += toTerminal()(text);
        } else {
            pending_ += text;
        }
    }

    // The text, its "{}" filled with a name shown as the terminal can show it
    // safely.
    void writeFilled(std::string_view text, std::string_view name) {
        const std::size_t mark = text.find("{}");
        write(text.substr(0, mark));
        if (mark == std::string_view::npos) return;
        pending_ += shownName(name, utf8());
        write(text.substr(mark + 2));
    }
    // Drive C's folder, or why it has none.
    const DriveC& driveC() const { return shell_.drive.driveC; }

    int readKey() override {
        if (!isatty(STDIN_FILENO)) {
            flush();
            const int byte = next(-1);
            return byte == noByte ? 27 : byte;
        }
        // Echo goes off before the prompt shows, so a key typed the moment it
        // appears is not echoed by the terminal.
        keysRead_ = true;
        enterRawMode();
        flush();
        const int code = decodeKey(*this);
        restoreTerminal();
        return code;
    }

    bool isDirectory(std::string_view path) override {
        Place at;
        struct stat st;
        return place(path, at) && at.status(st, true) && S_ISDIR(st.st_mode);
    }

    bool exists(std::string_view path) override {
        Place at;
        struct stat st;
        return place(path, at) && at.status(st, false);
    }

    bool removeLinks(std::string_view path) override {
        Place at;
        if (!place(path, at)) return false;
        const LinkRemoval removal = removeLinkAt(at.folder, at.name);
        if (removal != LinkRemoval::Mount) return removal == LinkRemoval::Clear;
        flush();
        const CommandTexts& texts = terminalTexts();
        writeAll(STDERR_FILENO, fillIn(texts.cannotRemove, {path, texts.mountLeftAlone}));
        return false;
    }

    // Folders change by name, as on Windows: ".." leads back to the folder
    // a link was entered from, not to the parent of where the link points.
    bool changeDirectory(std::string_view path) override {
        if (onDriveC(path)) {
            Place at;
            if (!place(path, at)) return false;
            Fd folder(at.open(O_PATH | O_DIRECTORY));
            if (!folder || fchdir(folder.fd) != 0) return false;
            if (!folder_.empty()) folder_ = joinByName("/", at.path);
            return true;
        }
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
    // A link at `folder` itself is followed: what is asked is where it leads.
    bool encloses(std::string_view folder, std::string_view path) override {
        Place outer, inner;
        if (!place(folder, outer) || !place(path, inner)) return false;
        Fd whole(outer.folder < 0 ? -1 : openat(outer.folder, outer.name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        Fd at(inner.open(O_PATH | O_DIRECTORY));
        if (!at && inner.folder >= 0) at.fd = openat(inner.folder, ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
        return whole && at && folderHolds(whole.fd, at.fd);
    }

    void removeStoppedCopies(std::string_view installFolder) override {
        flush();
        removeStagingLeftovers(installFolder, *this);
    }

    bool run(std::string_view line) override {
        flush();
        return interpret(line, *this, terminalTexts());
    }

    // Escape sequences only for a terminal known to understand them. The
    // scrollback stays: what a command reported can still be read.
    void clear() override { write(isatty(STDOUT_FILENO) && ansiTerminal(getenv("TERM")) ? "\x1b[H\x1b[2J" : "\f"); }

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

    bool place(std::string_view dosPath, Place& at) {
        std::string report;
        if (shell_.place(dosPath, at, report)) return true;
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

    void emit(CommandOutput& output, bool listed) {
        flush();
        if (listed) writeOut(output.out);
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
    bool namesInUtf8() override { return utf8(); }

    // Asked only when a text or a key needs it: most runs never pay for
    // loading the locale.
    Charset charset() {
        if (!charset_) charset_ = localeCharset();
        return *charset_;
    }

    TextConverter toTerminal() { return converterFor(charset()); }

    const CommandTexts& texts_;
    std::optional<CommandTexts> terminalTexts_;
    std::deque<std::string> textStorage_;
    std::string folder_;  // the working folder, by name
    std::string pending_;
    std::optional<Charset> charset_;
    bool outputFailed_ = false;
    bool keysRead_ = false;  // from the terminal
};

}  // namespace

// --help and --version answer and end, touching nothing; any other argument
// is refused before anything is set up.
int platformMain(const ProgramInfo& program, const CommandTexts& texts, int argc, char** argv,
                 const std::function<int(Platform&)>& launcher) {
    std::string_view option;
    if (!takeOption(argc, argv, option)) return refuseOption(program, option);
    PosixPlatform platform(texts);
    if (option == "--version") {
        platform.write(std::string(program.name) + " " + std::string(program.version) + "\n");
    } else if (option == "--help") {
        const DriveC& driveC = platform.driveC();
        const std::size_t mark = program.usage.find("{}");
        if (driveC.folder.empty() && mark != std::string_view::npos) {
            // The line naming drive C's folder gives way to one saying why
            // there is none, with Wine's one-line refusal quoted.
            platform.write(program.usage.substr(0, program.usage.rfind('\n', mark) + 1));
            const std::string_view why = driveC.refusal;
            platform.writeFilled(program.noDriveC, why.substr(0, why.find('\n')));
        } else {
            platform.writeFilled(program.usage, driveC.folder);
        }
    } else {
        return launcher(platform);
    }
    return 0;
}

}  // namespace tembrel
