// The POSIX host's staging folders: made and held with a lock on the folder,
// which a killed run's lock lets go of by itself; renamed without replacing
// what appeared meanwhile; and stop signals held back while one is held.

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>

#include "platform/posix/commands.h"
#include "platform/posix/names.h"
#include "platform/posix/walk.h"

namespace tembrel {

namespace {

// The signals that end the program; while a staging folder is held they are
// noted, and the program ends of them once the folder is removed.
constexpr int stopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
struct sigaction savedActions[std::size(stopSignals)];
bool guarding = false;
volatile sig_atomic_t stopSignal = 0;

void noteStop(int signal) { stopSignal = signal; }

void holdStops() {
    if (guarding) return;
    guarding = true;
    for (std::size_t i = 0; i < std::size(stopSignals); ++i) {
        sigaction(stopSignals[i], nullptr, &savedActions[i]);
        if (savedActions[i].sa_handler == SIG_IGN) continue;  // ignored stays ignored
        struct sigaction note {};
        note.sa_handler = noteStop;
        sigfillset(&note.sa_mask);
        sigaction(stopSignals[i], &note, nullptr);
    }
}

// The signals' own handling back; one that arrived meanwhile ends the
// program now, through that handling (the terminal restored, say).
void releaseStops() {
    if (!guarding) return;
    guarding = false;
    for (std::size_t i = 0; i < std::size(stopSignals); ++i) sigaction(stopSignals[i], &savedActions[i], nullptr);
    if (const int signal = stopSignal) {
        stopSignal = 0;
        raise(signal);
    }
}

bool sameFolder(const std::string& path, int fd) {
    struct stat named, held;
    return lstat(path.c_str(), &named) == 0 && fstat(fd, &held) == 0 && idOf(named) == idOf(held);
}

// Drive C's refusal, where it has one, is shown the first time it is met.
bool hostPathOf(Shell& shell, std::string_view path, std::string& host, PosixCommands& commands) {
    std::string report;
    if (shell.hostPath(path, host, report)) return true;
    if (!report.empty()) commands.say(report, {}, true);
    return false;
}

}  // namespace

bool stopRequested() { return stopSignal != 0; }

bool PosixCommands::exists(std::string_view path) {
    std::string host;
    struct stat st;
    return hostPathOf(shell_, path, host, *this) && lstat(host.c_str(), &st) == 0;
}

unsigned long PosixCommands::runId() { return static_cast<unsigned long>(getpid()); }

// The lock is the run's claim: it goes with the run, however the run ends,
// and a process id used again cannot take it over.
bool PosixCommands::holdStaging(const std::string& host, int fd) {
    if (fd < 0) return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || !sameFolder(host, fd)) {
        if (errno == EWOULDBLOCK) errno = EBUSY;
        close(fd);
        return false;
    }
    if (stagingFd_ >= 0) close(stagingFd_);
    stagingFd_ = fd;
    return true;
}

Outcome PosixCommands::makeStaging(std::string_view path, std::string_view dest) {
    std::string host, shownDest;
    if (!hostPathOf(shell_, path, host, *this) || !hostPathOf(shell_, dest, shownDest, *this)) return Outcome::Failed;
    holdStops();
    // The folders above are made as the copy made them.
    for (std::size_t i = host.find('/', 1); i != std::string::npos; i = host.find('/', i + 1))
        mkdir(host.substr(0, i).c_str(), 0777);
    const bool made = mkdir(host.c_str(), 0777) == 0;
    if (!made && errno == EEXIST) {
        releaseStops();
        return Outcome::Taken;
    }
    if (made && holdStaging(host, open(host.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)))
        return Outcome::Done;
    const int cause = errno;
    if (made) rmdir(host.c_str());
    say(shell_.texts->filesCopied, "0", false);
    say(fillIn(shell_.texts->cannotCreateFolder, {"{}", errorText(cause)}), shownName(dosName(shownDest), namesInUtf8()), true);
    releaseStops();
    return Outcome::Failed;
}

Outcome PosixCommands::moveStaging(std::string_view path, std::string_view dest) {
    std::string from, to;
    if (!hostPathOf(shell_, path, from, *this) || !hostPathOf(shell_, dest, to, *this)) return Outcome::Failed;
    // Never onto what stands there: rename() would replace an empty folder.
    int moved = renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (moved != 0 && (errno == ENOSYS || errno == EINVAL)) {  // kernels before 3.15, some file systems
        struct stat st;
        moved = lstat(to.c_str(), &st) == 0 ? (errno = EEXIST, -1) : rename(from.c_str(), to.c_str());
    }
    if (moved == 0) return Outcome::Done;
    if (errno == EEXIST || errno == ENOTEMPTY || errno == ENOTDIR) return Outcome::Taken;
    say(fillIn(shell_.texts->cannotCreateFolder, {"{}", errorText(errno)}), shownName(dosName(to), namesInUtf8()), true);
    return Outcome::Failed;
}

void PosixCommands::endStaging(std::string_view) {
    if (stagingFd_ >= 0) close(stagingFd_);
    stagingFd_ = -1;
    releaseStops();
}

std::vector<std::string> PosixCommands::namesIn(std::string_view folder) {
    std::string host;
    std::vector<std::string> names;
    if (!hostPathOf(shell_, folder, host, *this)) return names;
    Fd fd(open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) return names;
    for (Entry& entry : listFolder(fd.fd)) names.push_back(std::move(entry.name));
    return names;
}

bool PosixCommands::claimStaging(std::string_view path) {
    std::string host;
    if (!hostPathOf(shell_, path, host, *this)) return false;
    holdStops();
    if (holdStaging(host, open(host.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC))) return true;
    releaseStops();
    return false;
}

}  // namespace tembrel
