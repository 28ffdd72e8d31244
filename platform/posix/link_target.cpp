// Links followed by descriptor: each name on the way is looked up once, and
// where a target lies is judged by identity, never by its name.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/posix/walk.h"

namespace tembrel {

LinkTarget::~LinkTarget() {
    if (fd >= 0) close(fd);
    if (folder >= 0) close(folder);
}

void openLinkTarget(int folderFd, std::string name, LinkTarget& target) {
    char text[PATH_MAX + 1];
    for (int hops = 0; hops < 40; ++hops) {
        const int dir = target.folder >= 0 ? target.folder : folderFd;
        const int fd = openat(dir, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 || fstat(fd, &target.st) != 0) {
            target.error = errno;
            if (fd >= 0) close(fd);
            return;
        }
        if (!S_ISLNK(target.st.st_mode)) {
            target.fd = fd;
            target.name = std::move(name);
            return;
        }
        const ssize_t n = readlinkat(fd, "", text, sizeof text);
        close(fd);
        if (n <= 0 || n == static_cast<ssize_t>(sizeof text)) {
            target.error = n < 0 ? errno : ENAMETOOLONG;
            return;
        }
        // The folder part is opened in one go; the last name is looked at on
        // the next turn, as it may be a link again.
        const std::string_view link(text, static_cast<std::size_t>(n));
        const std::size_t slash = link.rfind('/');
        const std::string part = slash == std::string_view::npos ? "." : slash == 0 ? "/" : std::string(link.substr(0, slash));
        const std::string_view last = slash == std::string_view::npos ? link : link.substr(slash + 1);
        name = std::string(last.empty() ? std::string_view(".") : last);
        const int next = openat(dir, part.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (next < 0) {
            target.error = errno;
            return;
        }
        if (target.folder >= 0) close(target.folder);
        target.folder = next;
    }
    target.error = ELOOP;
}

namespace {

// The name the folder `childId` has in the open folder `parentFd`, or "".
std::string nameIn(int parentFd, FileId childId) {
    std::string found;
    const int own = openat(parentFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = own >= 0 ? fdopendir(own) : nullptr;
    if (dir == nullptr) {
        if (own >= 0) close(own);
        return found;
    }
    while (const dirent* e = readdir(dir)) {
        struct stat st;
        if (e->d_ino == childId.ino && fstatat(parentFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            idOf(st) == childId && std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
            found = e->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

}  // namespace

bool belowDotFolder(int fd, FileId top) {
    struct stat st;
    if (fstat(fd, &st) != 0) return false;
    FileId id = idOf(st);
    Fd current(openat(fd, ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    while (current && id != top) {
        Fd up(openat(current.fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!up || fstat(up.fd, &st) != 0 || idOf(st) == id) return false;
        if (nameIn(up.fd, id).starts_with('.')) return true;
        id = idOf(st);
        std::swap(current.fd, up.fd);
    }
    return false;
}

}  // namespace tembrel
