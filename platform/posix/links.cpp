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
LinkRemoval removeLinkAt(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return LinkRemoval::Clear;
    if (S_ISLNK(st.st_mode)) return unlink(path.c_str()) == 0 ? LinkRemoval::Clear : LinkRemoval::Left;
    Fd folder(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat parent;
    if (!folder || stat(splitLast(path).first.c_str(), &parent) != 0 || !isMountPoint(folder.fd, parent.st_dev))
        return LinkRemoval::Clear;
    return LinkRemoval::Mount;
}

}  // namespace tembrel
