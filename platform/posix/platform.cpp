// The POSIX host's console and paths, and the programs' entry, which takes
// --help and --version.

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/oem.h"
#include "platform/posix/host.h"
#include "platform/posix/options.h"
#include "platform/posix/terminal.h"
#include "platform/posix/walk.h"

namespace tembrel {

namespace {

std::string startFolder() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

}  // namespace

PosixHost::PosixHost(const CommandTexts& texts, DriveC driveC, Emit emit)
    : emit_(std::move(emit)),
      charset_(localeCharset()),
      texts_(convertTexts(texts, converterFor(charset_), textStorage_)),
      shell_{&texts_, {std::move(driveC)}},
      shipFolder_(startFolder()),
      shipFd_(open(".", O_PATH | O_DIRECTORY | O_CLOEXEC)),
      folder_(shipFolder_) {
    struct stat st;
    if (fstat(shipFd_, &st) == 0) shell_.ship = idOf(st);
    keepRunningOnWriteFailures();
}

PosixHost::~PosixHost() {
    flush();
    // Keys typed while the menu waited, and not read, belong to this
    // program, not to the shell that takes the terminal back. A run that
    // read no key (--help, --version) leaves the terminal alone: a flush
    // would stop it in the background and swallow a line typed after it.
    if (keysRead_) discardUnreadKeys();
    if (shipFd_ >= 0) close(shipFd_);
    if (stagingFd_ >= 0) close(stagingFd_);
    if (asideFd_ >= 0) close(asideFd_);
}

// The OEM letters go out as the terminal reads them: in UTF-8, in Latin-1
// or Latin-9, spelled out in ASCII where the locale has nothing but ASCII
// ("ue" for the u with umlaut), and as they are anywhere else.
void PosixHost::write(std::string_view text) {
    pending_ += hasNonAscii(text) ? converterFor(charset_)(text) : std::string(text);
}

// The text, its "{}" filled with a name shown as the terminal can show it
// safely.
void PosixHost::writeFilled(std::string_view text, std::string_view name) {
    const std::size_t mark = text.find("{}");
    write(text.substr(0, mark));
    if (mark == std::string_view::npos) return;
    pending_ += shownName(name, utf8());
    write(text.substr(mark + 2));
}

void PosixHost::say(std::string_view text, std::string_view name, bool error) {
    CommandOutput output;
    (error ? output.err : output.out) = fillIn(text, {name});
    emit(output, true);
}

// Escape sequences only for a terminal known to understand them. The
// scrollback stays: what a command reported can still be read.
void PosixHost::clear() { write(isatty(STDOUT_FILENO) && ansiTerminal(getenv("TERM")) ? "\x1b[H\x1b[2J" : "\f"); }

int PosixHost::readKeystroke(bool dropTypedAhead) {
    if (!isatty(STDIN_FILENO)) {
        flush();
        const int byte = next(-1);
        return byte == noByte ? 27 : byte;
    }
    // Echo goes off before the prompt shows, so a key typed the moment it
    // appears is not echoed by the terminal; keys typed ahead go before it
    // shows, so a key pressed once it shows always counts.
    keysRead_ = true;
    enterRawMode();
    if (dropTypedAhead) discardUnreadKeys();
    flush();
    const int code = decodeKey(*this);
    restoreTerminal();
    return code;
}

bool PosixHost::isDirectory(std::string_view path) {
    Place at;
    struct stat st;
    return place(path, at) && at.status(st, true) && S_ISDIR(st.st_mode);
}

bool PosixHost::exists(std::string_view path) {
    Place at;
    struct stat st;
    return place(path, at) && at.status(st, false);
}

bool PosixHost::removeLink(std::string_view path) {
    Place at;
    if (!place(path, at)) return false;
    const LinkRemoval removal = removeLinkAt(at.folder, at.name);
    if (removal != LinkRemoval::Mount) return removal == LinkRemoval::Clear;
    say(fillIn(texts().cannotRemove, {"{}", texts().mountLeftAlone}), path, true);
    return false;
}

// Folders change by name, as on Windows: ".." leads back to the folder a
// link was entered from, not to the parent of where the link points.
bool PosixHost::changeDirectory(std::string_view path) {
    Place at;
    const bool byName = !onDriveC(path) && !folder_.empty();
    if (!place(byName ? joinByName(folder_, mapDosPath(path, "").path) : std::string(path), at)) return false;
    Fd folder(at.open(O_PATH | O_DIRECTORY));
    if (!folder || fchdir(folder.fd) != 0) return false;
    if (!folder_.empty()) folder_ = joinByName(folder_, at.path);
    return true;
}

// By identity: from `path` up through "..", whatever links led there. A
// path that is no folder counts by the folder that holds its name. A link at
// `folder` itself is followed: what is asked is where it leads.
bool PosixHost::encloses(std::string_view folder, std::string_view path) {
    Place outer, inner;
    if (!place(folder, outer) || !place(path, inner)) return false;
    Fd whole(outer.folder < 0 ? -1 : openat(outer.folder, outer.name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    Fd at(inner.open(O_PATH | O_DIRECTORY));
    if (!at && inner.folder >= 0) at.fd = openat(inner.folder, ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    return whole && at && folderHolds(whole.fd, at.fd);
}

bool PosixHost::place(std::string_view dosPath, Place& at, bool make) {
    std::string report;
    if (shell_.place(dosPath, at, report, make)) return true;
    if (!report.empty()) say(report, {}, true);
    return false;
}

void PosixHost::flush() {
    writeOut(pending_);
    pending_.clear();
}

// Standard output that cannot be written (a closed pipe, a full disk) is
// reported once on the error output; the run goes on.
void PosixHost::writeOut(std::string_view text) {
    if (writeAll(STDOUT_FILENO, text) || outputFailed_) return;
    outputFailed_ = true;
    const std::string message = std::string("Cannot write the output: ") + std::strerror(errno) + "\n";
    writeAll(STDERR_FILENO, message);
}

void PosixHost::emit(CommandOutput& output, bool listed) {
    flush();
    if (emit_) return emit_(output, listed);
    if (listed) writeOut(output.out);
    writeAll(STDERR_FILENO, output.err);
    output.out.clear();
    output.err.clear();
}

// One byte at a time, so that nothing beyond the keystroke is taken from
// the input.
int PosixHost::next(int waitMs) {
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

int PosixHost::eraseChar() { return terminalEraseChar(); }

// --help and --version answer and end, touching nothing; any other argument
// is refused before anything is set up.
int platformMain(const ProgramInfo& program, const CommandTexts& texts, int argc, char** argv,
                 const std::function<int(Platform&)>& launcher) {
    std::string_view option;
    if (!takeOption(argc, argv, option)) return refuseOption(program, option);
    PosixHost host(texts, ownDriveC(driveCFolder(getenv("WINEPREFIX"), homeFolder().c_str())));
    if (option == "--version") {
        host.write(std::string(program.name) + " " + std::string(program.version) + "\n");
    } else if (option == "--help") {
        const DriveC& driveC = host.driveC();
        const std::size_t mark = program.usage.find("{}");
        if (driveC.folder.empty() && mark != std::string_view::npos) {
            // The line naming drive C's folder gives way to one saying why
            // there is none, with Wine's one-line refusal quoted.
            host.write(program.usage.substr(0, program.usage.rfind('\n', mark) + 1));
            const std::string_view why = driveC.refusal;
            host.writeFilled(program.noDriveC, why.substr(0, why.find('\n')));
        } else {
            host.writeFilled(program.usage, driveC.folder);
        }
    } else {
        return launcher(host);
    }
    return 0;
}

}  // namespace tembrel
