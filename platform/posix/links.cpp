// The link at the install path removed as a link on the POSIX platform,
// before any delete command sees the path.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/walk.h"

namespace tembrel {

// The delete commands here never follow a link, so only a link at the path
// itself needs removing: it is the install, and removing it is the
// uninstall. Another file system mounted at the path cannot be removed as a
// link: no delete may go into it.
LinkRemoval removeLinkAt(int folderFd, const std::string& name) {
    struct stat st;
    if (fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return LinkRemoval::Clear;
    if (S_ISLNK(st.st_mode)) return unlinkat(folderFd, name.c_str(), 0) == 0 ? LinkRemoval::Clear : LinkRemoval::Left;
    Fd folder(openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat parent;
    if (!folder || fstat(folderFd, &parent) != 0 || !isMountPoint(folder.fd, parent.st_dev))
        return LinkRemoval::Clear;
    return LinkRemoval::Mount;
}

}  // namespace tembrel
