// xcopy on the POSIX platform: copies a folder tree with the kernel's own
// copy, file by file, listing each file as it is done.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <set>
#include <utility>

#include "platform/posix/fs.h"
#include "platform/posix/shell.h"

namespace tembrel {

namespace {

// Copies the bytes from `offset` up to `end` in the kernel: copy_file_range,
// else sendfile where the two files are on file systems it cannot join.
bool copyRange(int in, int out, off_t offset, off_t end) {
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

// Copies the contents of one open file to another: a clone where the file
// system shares blocks; otherwise the data only, so that holes stay holes.
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

class Copier {
public:
    Copier(const CommandLine& command, CommandOutput& output)
        : hidden_(command.has('h')), recurse_(command.has('s') || command.has('e')),
          keepEmpty_(command.has('e')), output_(output) {
        umask_ = umask(0);
        umask(umask_);
    }

    // Copies what `pattern` matches in the folder `source` into `dest`.
    void run(const std::string& source, const std::string& pattern, const std::string& dest) {
        FolderChain src(open(source.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (src.fd() < 0) {
            error("File not found - " + shownName(dosName(source), output_.utf8));
            return;
        }
        if (!makeDestination(dest)) return;
        FolderChain dst(open(dest.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dst.fd() < 0) {
            error("Unable to create directory - " + shownName(dosName(dest), output_.utf8));
            return;
        }
        destId_ = dst.id();
        visited_.insert({src.id().dev, src.id().ino});
        if (char* real = realpath(source.c_str(), nullptr)) {
            root_ = real;
            std::free(real);
        }
        pattern_ = pattern;
        copyFolder(src, dst, root_, "");
        output_.out += std::to_string(copied_) + " File(s) copied\n";
        output_.lineDone();
    }

private:
    void error(const std::string& message) {
        output_.err += message + "\n";
        output_.lineDone();
    }
    void skip(const std::string& shown, const std::string& why) { error("Skipped " + shown + ": " + why); }

    bool makeDestination(const std::string& dest) {
        struct stat st;
        if (stat(dest.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode)) return true;
            output_.out += "0 File(s) copied\n";
            error("Cannot copy into " + shownName(dosName(dest), output_.utf8) + ": a file of that name is in the way");
            return false;
        }
        // Create the folder and any missing folders above it.
        for (std::size_t i = 1; i <= dest.size(); ++i) {
            if (i == dest.size() || dest[i] == '/') {
                const std::string part = dest.substr(0, i);
                if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
                    const int cause = errno;
                    output_.out += "0 File(s) copied\n";
                    error("Unable to create directory - " + shownName(dosName(part), output_.utf8) + ": " +
                          errorText(cause));
                    return false;
                }
            }
        }
        return true;
    }

    // `real` is the folder's own path with no link in it (empty when unknown),
    // `shown` its path in the listing.
    void copyFolder(FolderChain& src, FolderChain& dst, const std::string& real, const std::string& shown) {
        bool complete = true;
        const std::vector<Entry> entries = listFolder(src.fd(), &complete);
        if (!complete) skip(shown.empty() ? "." : shown, "the folder could not be read to its end");
        for (const Entry& entry : entries) {
            if (entry.name[0] == '.' && !hidden_) continue;
            const std::string path = shown + shownName(entry.name, output_.utf8);
            if (entry.kind == Entry::Folder) {
                if (!recurse_) continue;
                copySubfolder(src, dst, entry.name, false, real.empty() ? real : real + "/" + entry.name, path);
            } else if (entry.kind == Entry::File) {
                if (wildcardMatch(pattern_, entry.name)) copyFile(src.fd(), dst.fd(), entry.name, false, path);
            } else if (entry.kind == Entry::Link) {
                followLink(src, dst, entry.name, real, path);
            }
        }
    }

    // A link is followed only to a file or folder inside the folder copied:
    // anything else would copy what the payload does not hold. A folder
    // inside is copied in its own place, and only there, unless its place is
    // left out (a dot folder without /h): each folder is copied once.
    void followLink(FolderChain& src, FolderChain& dst, const std::string& name, const std::string& real,
                    const std::string& shown) {
        char* resolved = real.empty() ? nullptr : realpath((real + "/" + name).c_str(), nullptr);
        if (resolved == nullptr) {
            skip(shown, real.empty() ? "links are not followed here" : "the link leads nowhere: " + errorText(errno));
            return;
        }
        const std::string target = resolved;
        std::free(resolved);
        const bool inside = root_ == "/" || target == root_ || target.starts_with(root_ + "/");
        struct stat st;
        if (!inside) {
            skip(shown, "the link leads out of the folder copied");
        } else if (stat(target.c_str(), &st) != 0) {
            skip(shown, errorText(errno));
        } else if (S_ISDIR(st.st_mode)) {
            if (!recurse_) return;
            if (hidden_ || target.find("/.", root_.size()) == std::string::npos) {
                skip(shown, "the folder it leads to is copied in its own place");
            } else {
                copySubfolder(src, dst, name, true, target, shown);
            }
        } else if (S_ISREG(st.st_mode)) {
            if (wildcardMatch(pattern_, name)) copyFile(src.fd(), dst.fd(), name, true, shown);
        } else {
            skip(shown, "the link leads to neither a file nor a folder");
        }
    }

    void copySubfolder(FolderChain& src, FolderChain& dst, const std::string& name, bool viaLink,
                       const std::string& real, const std::string& shown) {
        if (!src.enter(name, viaLink)) {
            skip(shown, errorText(errno));
            return;
        }
        // Never the destination into itself, and no folder twice: a folder
        // mounted inside itself, or two links to one folder, would make the
        // copy grow without end.
        if (src.id() == destId_) {
            src.leave();
            return;
        }
        if (!visited_.insert({src.id().dev, src.id().ino}).second) {
            src.leave();
            skip(shown, "that folder is copied already");
            return;
        }
        const bool created = mkdirat(dst.fd(), name.c_str(), 0700) == 0;
        if ((!created && errno != EEXIST) || !dst.enter(name)) {
            const int cause = errno;
            src.leave();
            error("Unable to create directory - " + shown + ": " + errorText(cause));
            return;
        }
        const int before = copied_;
        copyFolder(src, dst, real, shown + "\\");
        struct stat st;
        if (created && fstat(src.fd(), &st) == 0) fchmod(dst.fd(), (st.st_mode & 0777 & ~umask_) | S_IRWXU);
        dst.leave();
        src.leave();
        // Without /e a folder is made only where it receives files.
        if (created && !keepEmpty_ && copied_ == before) unlinkat(dst.fd(), name.c_str(), AT_REMOVEDIR);
    }

    void copyFile(int srcFd, int dstFd, const std::string& name, bool viaLink, const std::string& shown) {
        Fd in(openat(srcFd, name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (viaLink ? 0 : O_NOFOLLOW)));
        struct stat st;
        if (!in || fstat(in.fd, &st) != 0) {
            skip(shown, errorText(errno));
            return;
        }
        if (!S_ISREG(st.st_mode)) return;  // replaced since the listing
        // Never write through a link that sits in the destination.
        Fd out(openat(dstFd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!out || !copyContents(in.fd, out.fd, st)) {
            error("File creation error - " + shown + ": " + errorText(errno));
            return;
        }
        // Keep the times. The mode is the payload's within the umask, with
        // the owner's write permission (xcopy drops the read-only mark) and
        // never set-user-ID, set-group-ID or sticky.
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        futimens(out.fd, times);
        fchmod(out.fd, (st.st_mode & 0777 & ~umask_) | S_IWUSR);
        output_.out += shown + "\n";
        ++copied_;
        output_.lineDone();
    }

    const bool hidden_;
    const bool recurse_;
    const bool keepEmpty_;
    CommandOutput& output_;
    mode_t umask_;
    std::string pattern_;
    std::string root_;  // the real path of the folder copied
    std::set<std::pair<dev_t, ino_t>> visited_;
    FileId destId_{};
    int copied_ = 0;
};

}  // namespace

void xcopyCommand(const CommandLine& command, const std::string& driveC, CommandOutput& output) {
    if (command.args.empty()) {
        output.err += "Invalid number of parameters\n";
        return;
    }
    const std::string source = resolvePath(mapDosPath(command.args[0], driveC));
    const std::string dest =
        command.args.size() > 1 ? resolvePath(mapDosPath(command.args[1], driveC)) : std::string(".");
    struct stat st;
    Copier copier(command, output);
    if (!hasWildcards(source) && stat(source.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        copier.run(source, "*", dest);
    } else {
        const auto [folder, pattern] = splitLast(source);
        copier.run(folder, pattern, dest);
    }
}

}  // namespace tembrel
