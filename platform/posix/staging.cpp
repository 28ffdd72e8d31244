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

#include "platform/posix/host.h"
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

bool sameFolder(const Place& place, int fd) {
    struct stat named, held;
    return place.status(named, false) && fstat(fd, &held) == 0 && idOf(named) == idOf(held);
}

// Renames in one step, never onto what stands there (rename() would replace
// an empty folder): Done, Taken, or Failed with errno saying why.
Outcome renameAlone(const Place& from, const Place& to) {
    int moved = from.folder < 0 || to.folder < 0
                    ? (errno = from.folder < 0 ? from.error : to.error, -1)
                    : renameat2(from.folder, from.name.c_str(), to.folder, to.name.c_str(), RENAME_NOREPLACE);
    if (moved != 0 && (errno == ENOSYS || errno == EINVAL)) {  // kernels before 3.15, some file systems
        struct stat st;
        moved = to.status(st, false) ? (errno = EEXIST, -1)
                                     : renameat(from.folder, from.name.c_str(), to.folder, to.name.c_str());
    }
    if (moved == 0) return Outcome::Done;
    return errno == EEXIST || errno == ENOTEMPTY || errno == ENOTDIR ? Outcome::Taken : Outcome::Failed;
}

}  // namespace

unsigned long PosixHost::runId() { return static_cast<unsigned long>(getpid()); }

// The lock is the run's claim: it goes with the run, however the run ends,
// and a process id used again cannot take it over.
bool PosixHost::holdStaging(const Place& at, int fd) {
    if (fd < 0) return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || !sameFolder(at, fd)) {
        errno = EBUSY;  // another run holds it, or it went or changed meanwhile
        close(fd);
        return false;
    }
    if (stagingFd_ >= 0) close(stagingFd_);
    stagingFd_ = fd;
    return true;
}

Outcome PosixHost::makeStaging(std::string_view path, std::string_view dest) {
    Place at, fresh, shownDest;
    if (!place(path, at) || !place(dest, shownDest)) return Outcome::Failed;
    holdStops();
    const Place* made = nullptr;
    if (at.folder >= 0) {
        if (mkdirat(at.folder, at.name.c_str(), 0777) == 0) {
            made = &at;
        } else if (errno == EEXIST) {
            releaseStops();
            return Outcome::Taken;
        }
    } else if (place(path, fresh, true) && fresh.folder >= 0) {
        made = &fresh;  // the folders above were missing: made as the copy makes them
    } else {
        errno = fresh.error;
    }
    if (made != nullptr && holdStaging(*made, made->open(O_RDONLY | O_DIRECTORY | O_NOFOLLOW))) return Outcome::Done;
    // Another launcher's sweep of stopped copies took the folder between
    // its making and its lock: it is that sweep's now, and the next name is
    // tried.
    if (made != nullptr && (errno == EBUSY || errno == ENOENT)) {
        releaseStops();
        return Outcome::Taken;
    }
    const int cause = errno;
    if (made != nullptr) unlinkat(made->folder, made->name.c_str(), AT_REMOVEDIR);
    say(texts().filesCopied, "0", false);
    say(fillIn(texts().cannotCreateFolder, {"{}", errorText(cause)}),
        shownName(dosName(shownDest.path), utf8()), true);
    releaseStops();
    return Outcome::Failed;
}

bool stopRequested() { return stopSignal != 0; }

Outcome PosixHost::moveStaging(std::string_view path, std::string_view dest) {
    Place from, to;
    if (!place(path, from) || !place(dest, to)) return Outcome::Failed;
    const Outcome moved = renameAlone(from, to);
    if (moved == Outcome::Failed)
        say(fillIn(texts().cannotCreateFolder, {"{}", errorText(errno)}), shownName(dosName(to.path), utf8()), true);
    return moved;
}

// The folder is locked before it moves, so no other run's sweep takes it
// once it has its new name; the lock goes with the run.
Outcome PosixHost::moveAside(std::string_view path, std::string_view aside) {
    Place from, to;
    if (!place(path, from) || !place(aside, to)) return Outcome::Failed;
    Fd folder(from.open(O_RDONLY | O_DIRECTORY | O_NOFOLLOW));
    Outcome moved = Outcome::Failed;
    if (folder && (usedByAnotherProcess(folder.fd) || flock(folder.fd, LOCK_EX | LOCK_NB) != 0)) {
        errno = EBUSY;
    } else if (folder) {
        moved = renameAlone(from, to);
    }
    if (moved == Outcome::Failed) {
        noteStayed(path, errno == EBUSY ? Why::FolderInUse : whyOfErrno(errno));
        say(fillIn(texts().cannotRemove, {"{}", errorText(errno)}), shownName(path, utf8()), true);
    }
    if (moved != Outcome::Done) return moved;
    if (asideFd_ >= 0) close(asideFd_);
    asideFd_ = folder.fd;
    folder.fd = -1;
    return moved;
}

void PosixHost::endStaging(std::string_view) {
    if (stagingFd_ >= 0) close(stagingFd_);
    stagingFd_ = -1;
    releaseStops();
}

std::vector<std::string> PosixHost::namesIn(std::string_view folder) {
    Place at;
    std::vector<std::string> names;
    if (!place(folder, at)) return names;
    Fd fd(at.open(O_RDONLY | O_DIRECTORY));
    if (!fd) return names;
    for (Entry& entry : listFolder(fd.fd)) names.push_back(std::move(entry.name));
    return names;
}

bool PosixHost::claimStaging(std::string_view path) {
    Place at;
    if (!place(path, at)) return false;
    holdStops();
    if (holdStaging(at, at.open(O_RDONLY | O_DIRECTORY | O_NOFOLLOW))) return true;
    releaseStops();
    return false;
}

}  // namespace tembrel
