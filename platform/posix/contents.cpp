// A file's contents copied in the kernel: a clone where the file system
// shares blocks, else the data only, so that holes stay holes.

#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/posix/walk.h"

namespace tembrel {

// Copies the bytes from `offset` up to `end` in the kernel: copy_file_range,
// else sendfile where the two files are on file systems it cannot join.
static bool copyRange(int in, int out, off_t offset, off_t end) {
    off_t inAt = offset, outAt = offset;
    while (inAt < end) {
        const ssize_t n = copy_file_range(in, &inAt, out, &outAt, static_cast<size_t>(end - inAt), 0);
        if (n == 0) return true;  // the file became shorter meanwhile
        if (n > 0 || errno == EINTR) continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
        break;
    }
    if (inAt < end && lseek(out, outAt, SEEK_SET) < 0) return false;
    while (inAt < end) {
        const ssize_t n = sendfile(out, in, &inAt, static_cast<size_t>(end - inAt));
        if (n == 0) return true;
        if (n < 0 && errno != EINTR) return false;
    }
    return true;
}

bool copyContents(int in, int out, const struct stat& st) {
    if (ioctl(out, FICLONE, in) == 0) return true;
    // Fewer blocks than bytes: the file has holes. Most files have none and
    // are copied in one go.
    if (st.st_blocks * 512 >= st.st_size) return copyRange(in, out, 0, st.st_size);
    off_t at = 0;
    while (at < st.st_size) {
        const off_t data = lseek(in, at, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO) break;  // only a hole is left
            return copyRange(in, out, at, st.st_size);
        }
        off_t hole = lseek(in, data, SEEK_HOLE);
        if (hole < 0) hole = st.st_size;
        if (!copyRange(in, out, data, std::min(hole, st.st_size))) return false;
        at = hole;
    }
    return ftruncate(out, st.st_size) == 0;
}

}  // namespace tembrel
