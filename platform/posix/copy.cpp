// xcopy on the POSIX platform: copies a folder tree with the kernel's own
// copy, file by file, listing each file as it is done. Every file and folder
// goes, dot files and empty folders included; a link is never followed but
// skipped and named, as the Windows copy does.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>
#include <utility>

#include "platform/posix/walk.h"
#include "platform/posix/commands.h"
#include "platform/posix/names.h"

namespace tembrel {

namespace {

// Copies the tree of the walk's chain into the folder of `dst`, one frame of
// the walk a folder.
class Copier {
public:
    Copier(FolderChain& src, FolderChain& dst, const CommandTexts& texts, CommandOutput& output)
        : walk_(src, output, texts.skipped, texts.readIncomplete), dst_(dst), texts_(texts), output_(output),
          destId_(dst.id()) {
        umask_ = umask(0);
        umask(umask_);
        visited_.insert({src.id().dev, src.id().ino});
    }

    // False when anything could not be copied.
    bool run() {
        const bool done = walk_.run(*this);
        output_.out += fillIn(texts_.filesCopied, {std::to_string(copied_)});
        output_.lineDone();
        return done;
    }

private:
    friend class tembrel::TreeWalk;  // calls enter, file and leave
    void fail(std::string_view message) { walk_.report(fillIn(message, {walk_.shown(), errorText(errno)})); }
    // The payload's side failed, as errno says: a file or folder gone since
    // the listing is not found, in xcopy's words; one there is unreadable.
    void cannotRead() {
        if (errno == ENOENT) return walk_.report(fillIn(texts_.fileNotFound, {walk_.shown()}));
        fail(texts_.cannotReadFile);
    }
    void skip(std::string_view why) { walk_.report(fillIn(texts_.skipped, {walk_.shown(), why}), false); }

    // Makes the subfolder in the destination, with the source folder's
    // permissions within the umask, always open to its owner.
    bool enter(const std::string& name) {
        FolderChain& src = walk_.chain();
        if (!src.enter(name)) {
            cannotRead();
            return false;
        }
        // Never the destination into itself, and no folder twice: a folder
        // mounted inside itself would make the copy grow without end.
        const bool intoItself = src.id() == destId_;
        if (intoItself || !visited_.insert({src.id().dev, src.id().ino}).second) {
            src.leave();
            if (!intoItself) skip(texts_.copiedAlready);
            return false;
        }
        const bool created = mkdirat(dst_.fd(), name.c_str(), 0700) == 0;
        if ((!created && errno != EEXIST) || !dst_.enter(name)) {
            const int cause = errno;
            src.leave();
            errno = cause;
            fail(texts_.cannotCreateFolder);
            return false;
        }
        struct stat st;
        if (created && fstat(src.fd(), &st) == 0) fchmod(dst_.fd(), (st.st_mode & 0777 & ~umask_) | S_IRWXU);
        return true;
    }

    void leave(const std::string&, bool) { dst_.leave(); }

    void file(const Entry& entry) {
        if (entry.kind == Entry::Link) {
            skip(texts_.linkNotFollowed);
        } else if (entry.kind == Entry::Other) {
            skip(texts_.notAFileOrFolder);
        } else {
            copyFile(entry.name);
        }
    }

    // Copies the file `name` of the folder at hand, never through a link,
    // to the same name in the destination folder.
    void copyFile(const std::string& name) {
        Fd in(openat(walk_.chain().fd(), name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
        struct stat st;
        // What took the name since the listing is met as what it is now: a
        // link is skipped, never followed; a folder is not this file's copy.
        if (!in && errno == ELOOP) return skip(texts_.linkNotFollowed);
        if (!in || fstat(in.fd, &st) != 0) return cannotRead();
        if (S_ISDIR(st.st_mode)) {
            errno = EISDIR;
            return cannotRead();
        }
        if (!S_ISREG(st.st_mode)) return skip(texts_.notAFileOrFolder);
        // Never write through a link that sits in the destination.
        Fd out(openat(dst_.fd(), name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!out) return fail(texts_.cannotCopyFile);
        if (!copyContents(in.fd, out.fd, st)) {
            // The kernel's copy does not say which side failed: the source
            // did where it cannot be read at the point the copy reached.
            const int cause = errno;
            struct stat done;
            char byte;
            if (fstat(out.fd, &done) == 0 && pread(in.fd, &byte, 1, done.st_size) < 0) return cannotRead();
            errno = cause;
            return fail(texts_.cannotCopyFile);
        }
        // Keep the times. The mode is the payload's within the umask, with
        // the owner's write permission (xcopy drops the read-only mark) and
        // never set-user-ID, set-group-ID or sticky.
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        futimens(out.fd, times);
        fchmod(out.fd, (st.st_mode & 0777 & ~umask_) | S_IWUSR);
        output_.out += walk_.shown();
        output_.out += '\n';
        ++copied_;
        output_.lineDone();
    }

    TreeWalk walk_;
    FolderChain& dst_;
    const CommandTexts& texts_;
    CommandOutput& output_;
    const FileId destId_;
    mode_t umask_;
    std::set<std::pair<dev_t, ino_t>> visited_;
    int copied_ = 0;
};

void error(CommandOutput& output, const std::string& message) {
    output.err += message;
    output.lineDone();
}

// The destination, made as far as it could be, is a folder. On drive C
// a link there is in the way: the copy never writes where it leads.
bool destinationReady(const Place& dest, const CommandTexts& texts, CommandOutput& output) {
    struct stat st;
    const bool there = dest.status(st, !dest.onDriveC);
    if (there && S_ISDIR(st.st_mode)) return true;
    const int cause = errno;
    output.out += fillIn(texts.filesCopied, {"0"});
    const std::string shown = shownName(dosName(dest.path), output.utf8);
    error(output, there ? fillIn(texts.fileInTheWay, {shown}) : fillIn(texts.cannotCreateFolder, {shown, errorText(cause)}));
    return false;
}

}  // namespace

bool copyTree(std::string_view folder, std::string_view destination, Shell& shell, CommandOutput& output) {
    const CommandTexts& texts = *shell.texts;
    Place source, dest;
    if (!shell.place(folder, source, output.err)) return false;
    FolderChain src(source.open(O_RDONLY | O_DIRECTORY));
    if (src.fd() < 0) {
        error(output, fillIn(texts.fileNotFound, {shownName(dosName(source.path), output.utf8)}));
        return false;
    }
    // A drive C that Wine would refuse has nothing to count: no copy runs,
    // and its refusal stands alone.
    if (!shell.place(destination, dest, output.err, true) || !destinationReady(dest, texts, output)) return false;
    FolderChain dst(dest.open(O_RDONLY | O_DIRECTORY));
    if (dst.fd() < 0) {
        error(output, fillIn(texts.cannotCreateFolder, {shownName(dosName(dest.path), output.utf8), errorText(errno)}));
        return false;
    }
    return Copier(src, dst, texts, output).run();
}

}  // namespace tembrel
