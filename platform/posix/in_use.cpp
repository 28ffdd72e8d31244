// Whether another process of this user's works inside a folder, found as
// fuser finds it, from /proc: its working folder, its root, its program or a
// file it holds open lies there. Windows refuses to move a folder that holds
// an open file; the uninstall gives the same answer here.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/posix/walk.h"

namespace tembrel {

namespace {

// Where a /proc link leads, "" where it cannot be read.
std::string linkAt(int folderFd, const char* name) {
    char buffer[4096];
    const ssize_t n = readlinkat(folderFd, name, buffer, sizeof buffer);
    return n > 0 && static_cast<std::size_t>(n) < sizeof buffer ? std::string(buffer, static_cast<std::size_t>(n)) : "";
}

bool inside(const std::string& path, const std::string& folder) {
    return path.compare(0, folder.size(), folder) == 0 && (path.size() == folder.size() || path[folder.size()] == '/');
}

// True when the process, open as `processFd`, has anything in `folder`.
bool worksIn(int processFd, const std::string& folder) {
    for (const char* link : {"cwd", "root", "exe"}) {
        if (inside(linkAt(processFd, link), folder)) return true;
    }
    Fd fds(openat(processFd, "fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fds) return false;
    for (const Entry& entry : listFolder(fds.fd)) {
        if (inside(linkAt(fds.fd, entry.name.c_str()), folder)) return true;
    }
    return false;
}

}  // namespace

bool usedByAnotherProcess(int folderFd) {
    const std::string folder = linkAt(AT_FDCWD, ("/proc/self/fd/" + std::to_string(folderFd)).c_str());
    Fd proc(open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.empty() || folder[0] != '/' || !proc) return false;
    const std::string self = std::to_string(getpid());
    for (const Entry& entry : listFolder(proc.fd)) {
        if (entry.name.find_first_not_of("0123456789") != std::string::npos || entry.name == self) continue;
        Fd process(openat(proc.fd, entry.name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat st;
        if (process && fstat(process.fd, &st) == 0 && st.st_uid == getuid() && worksIn(process.fd, folder)) return true;
    }
    return false;
}

}  // namespace tembrel
