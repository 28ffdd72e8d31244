// Which folder is which on the POSIX platform: where a mount begins, and
// whether one folder lies in another, by identity, whatever names lead there.

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/posix/walk.h"

namespace tembrel {

namespace {

// The ID of the mount the open file lies on, or -1 where the kernel tells
// none: from its file handle (2.6.39), else from its descriptor's details
// in /proc (3.15).
long mountIdOf(int fd) {
    struct {
        file_handle head;
        unsigned char bytes[MAX_HANDLE_SZ];
    } handle;
    handle.head.handle_bytes = MAX_HANDLE_SZ;
    int id;
    if (name_to_handle_at(fd, "", &handle.head, &id, AT_EMPTY_PATH) == 0) return id;
    const int info = open(("/proc/self/fdinfo/" + std::to_string(fd)).c_str(), O_RDONLY | O_CLOEXEC);
    if (info < 0) return -1;
    char text[512];
    const ssize_t n = read(info, text, sizeof text - 1);
    close(info);
    if (n <= 0) return -1;
    text[n] = '\0';
    const char* at = std::strstr(text, "mnt_id:");
    return at != nullptr ? std::strtol(at + 7, nullptr, 10) : -1;
}

}  // namespace

bool isMountPoint(int folderFd, dev_t parentDevice) {
    struct statx sx;
    // A bind mount from the same file system keeps the device number: only
    // the kernel's mark (5.8) tells it apart, or else the mount's ID, which
    // differs from that of the folder above ("..", which from a mount's root
    // leads to the folder it is mounted on).
    if (statx(folderFd, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &sx) == 0 &&
        (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0)
        return (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    struct stat st;
    if (fstat(folderFd, &st) != 0 || st.st_dev != parentDevice) return true;
    Fd up(openat(folderFd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
    const long here = mountIdOf(folderFd);
    const long above = up ? mountIdOf(up.fd) : -1;
    // Where neither can be told, it counts as a mount: left alone.
    return here < 0 || above < 0 || here != above;
}

bool withinFolder(int folderFd, FileId top) {
    struct stat st;
    if (fstat(folderFd, &st) != 0) return false;
    FileId id = idOf(st);
    int current = folderFd;
    bool within = false;
    while (true) {
        if (id == top) {
            within = true;
            break;
        }
        const int up = openat(current, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (current != folderFd) close(current);
        current = up;
        // The root's ".." is the root itself: the top was not on the way.
        if (up < 0 || fstat(up, &st) != 0 || idOf(st) == id) break;
        id = idOf(st);
    }
    if (current >= 0 && current != folderFd) close(current);
    return within;
}

bool treeHolds(int topFd, FileId target) {
    FolderChain chain(openat(topFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (chain.fd() < 0) return false;
    // Each level's subfolders still to search, explicitly stacked.
    std::vector<std::vector<std::string>> pending(1);
    for (bool entered = true;;) {
        if (entered) {
            if (chain.id() == target) return true;
            std::vector<std::string> folders;
            for (Entry& entry : listFolder(chain.fd())) {
                if (entry.kind == Entry::Folder) folders.push_back(std::move(entry.name));
            }
            pending.push_back(std::move(folders));
        }
        entered = false;
        if (pending.back().empty()) {
            pending.pop_back();
            if (pending.size() == 1) return false;
            chain.leave();
            continue;
        }
        const std::string name = std::move(pending.back().back());
        pending.back().pop_back();
        const dev_t device = chain.device();
        if (chain.fd() < 0 || !chain.enter(name)) continue;
        if (chain.id() != target && isMountPoint(chain.fd(), device)) {
            chain.leave();
            continue;
        }
        entered = true;
    }
}

bool folderHolds(int outerFd, int innerFd) {
    struct stat outer, inner;
    if (fstat(outerFd, &outer) != 0) return false;
    if (withinFolder(innerFd, idOf(outer))) return true;
    return fstat(innerFd, &inner) == 0 && inner.st_dev == outer.st_dev && treeHolds(outerFd, idOf(inner));
}

}  // namespace tembrel
