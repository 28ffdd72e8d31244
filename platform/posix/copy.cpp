// xcopy on the POSIX platform: copies a folder tree with the kernel's own
// copy, file by file, listing each file as it is done. A link is never
// followed but skipped and named, as the Windows copy does.

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

class Copier {
public:
    Copier(CopySwitches switches, const CommandTexts& texts, CommandOutput& output)
        : hidden_(switches.hidden), recurse_(switches.subfolders), keepEmpty_(switches.emptyFolders),
          texts_(texts), output_(output) {
        umask_ = umask(0);
        umask(umask_);
    }

    // Copies what `pattern` matches in the folder `source` into the folder
    // `destination`, made where missing. False when anything could not be
    // copied.
    bool run(const Place& source, const std::string& pattern, std::string_view destination, Shell& shell) {
        FolderChain src(source.open(O_RDONLY | O_DIRECTORY));
        if (src.fd() < 0) {
            error(fillIn(texts_.fileNotFound, {shownName(dosName(source.path), output_.utf8)}));
            return false;
        }
        Place dest;
        // A drive C that Wine would refuse has nothing to count: no copy
        // runs, and its refusal stands alone.
        if (!shell.place(destination, dest, output_.err, true)) return false;
        if (!destinationReady(dest)) return false;
        FolderChain dst(dest.open(O_RDONLY | O_DIRECTORY));
        if (dst.fd() < 0) {
            error(fillIn(texts_.cannotCreateFolder, {shownName(dosName(dest.path), output_.utf8), errorText(errno)}));
            return false;
        }
        destId_ = dst.id();
        visited_.insert({src.id().dev, src.id().ino});
        pattern_ = pattern;
        copyTree(src, dst);
        output_.out += fillIn(texts_.filesCopied, {std::to_string(copied_)});
        output_.lineDone();
        return !failed_;
    }

private:
    // A folder being copied: its entries, the next one to take, and what is
    // needed to finish it.
    struct Frame {
        std::vector<Entry> entries;
        std::size_t next = 0;
        std::size_t shownLength = 0;  // its part of shown_, "\" included
        bool created = false;
        int copiedBefore = 0;
    };

    void error(const std::string& message) {
        output_.err += message;
        output_.lineDone();
    }
    void fail(const std::string& message) {
        failed_ = true;
        error(message);
    }
    void skip(std::string_view why) { error(fillIn(texts_.skipped, {shown_, why})); }

    // The destination, made as far as it could be, is a folder. On drive C
    // a link there is in the way: the copy never writes where it leads.
    bool destinationReady(const Place& dest) {
        struct stat st;
        const bool there = dest.status(st, !dest.onDriveC);
        if (there && S_ISDIR(st.st_mode)) return true;
        const int cause = errno;
        output_.out += fillIn(texts_.filesCopied, {"0"});
        const std::string shown = shownName(dosName(dest.path), output_.utf8);
        error(there ? fillIn(texts_.fileInTheWay, {shown}) : fillIn(texts_.cannotCreateFolder, {shown, errorText(cause)}));
        return false;
    }

    // Copies the tree below the two chains' folders, one folder a frame: no
    // recursion, however deep it goes. shown_ is the path in the listing.
    void copyTree(FolderChain& src, FolderChain& dst) {
        frames_.clear();
        shown_.clear();
        pushFrame(src, false);
        while (!frames_.empty()) {
            Frame& frame = frames_.back();
            if (frame.next == frame.entries.size()) {
                finishFolder(src, dst);
                continue;
            }
            const Entry& entry = frame.entries[frame.next++];
            if (entry.name[0] == '.' && !hidden_) continue;
            shown_.resize(frame.shownLength);
            shown_ += shownName(entry.name, output_.utf8);
            const std::string name = entry.name;  // the frame may move
            if (entry.kind == Entry::Folder) {
                if (recurse_) enterFolder(src, dst, name);
            } else if (entry.kind == Entry::File) {
                if (wildcardMatch(pattern_, name)) {
                    copyFile(openat(src.fd(), name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC), dst.fd(), name);
                }
            } else if (entry.kind == Entry::Link) {
                skip(texts_.linkNotFollowed);
            } else if (wildcardMatch(pattern_, name)) {
                skip(texts_.notAFileOrFolder);
            }
        }
    }

    void pushFrame(FolderChain& src, bool created) {
        bool complete = true;
        Frame frame{listFolder(src.fd(), &complete), 0, 0, created, copied_};
        if (!complete) {
            const std::string why = std::string(texts_.readIncomplete) + " (" + errorText(errno) + ")";
            fail(fillIn(texts_.skipped, {shown_.empty() ? "." : shown_, why}));
        }
        if (!frames_.empty()) shown_ += '\\';
        frame.shownLength = shown_.size();
        frames_.push_back(std::move(frame));
    }

    void finishFolder(FolderChain& src, FolderChain& dst) {
        const Frame frame = std::move(frames_.back());
        frames_.pop_back();
        if (frames_.empty()) return;
        const std::string name(dst.name());
        struct stat st;
        if (frame.created && fstat(src.fd(), &st) == 0) fchmod(dst.fd(), (st.st_mode & 0777 & ~umask_) | S_IRWXU);
        dst.leave();
        src.leave();
        // Without /e a folder is made only where it receives files.
        if (frame.created && !keepEmpty_ && copied_ == frame.copiedBefore) {
            unlinkat(dst.fd(), name.c_str(), AT_REMOVEDIR);
        }
    }

    // Enters the subfolder `name` in the source and makes it in the
    // destination.
    void enterFolder(FolderChain& src, FolderChain& dst, const std::string& name) {
        if (!src.enter(name)) {
            fail(fillIn(texts_.cannotCopyFile, {shown_, errorText(errno)}));
            return;
        }
        // Never the destination into itself, and no folder twice: a folder
        // mounted inside itself would make the copy grow without end.
        if (src.id() == destId_) {
            src.leave();
            return;
        }
        if (!visited_.insert({src.id().dev, src.id().ino}).second) {
            src.leave();
            skip(texts_.copiedAlready);
            return;
        }
        const bool created = mkdirat(dst.fd(), name.c_str(), 0700) == 0;
        if ((!created && errno != EEXIST) || !dst.enter(name)) {
            const int cause = errno;
            src.leave();
            fail(fillIn(texts_.cannotCreateFolder, {shown_, errorText(cause)}));
            return;
        }
        pushFrame(src, created);
    }

    // Copies the open file `inFd` (taken over; -1 when it could not be
    // opened) to `name` in the destination folder.
    void copyFile(int inFd, int dstFd, const std::string& name) {
        Fd in(inFd);
        struct stat st;
        if (!in || fstat(in.fd, &st) != 0) {
            fail(fillIn(texts_.cannotCopyFile, {shown_, errorText(errno)}));
            return;
        }
        if (!S_ISREG(st.st_mode)) return;  // replaced since the listing
        // Never write through a link that sits in the destination.
        Fd out(openat(dstFd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!out || !copyContents(in.fd, out.fd, st)) {
            fail(fillIn(texts_.cannotCopyFile, {shown_, errorText(errno)}));
            return;
        }
        // Keep the times. The mode is the payload's within the umask, with
        // the owner's write permission (xcopy drops the read-only mark) and
        // never set-user-ID, set-group-ID or sticky.
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        futimens(out.fd, times);
        fchmod(out.fd, (st.st_mode & 0777 & ~umask_) | S_IWUSR);
        output_.out += shown_;
        output_.out += '\n';
        ++copied_;
        output_.lineDone();
    }

    const bool hidden_;
    const bool recurse_;
    const bool keepEmpty_;
    const CommandTexts& texts_;
    CommandOutput& output_;
    mode_t umask_;
    std::string pattern_;
    std::string shown_;  // the path of the entry at hand, as listed
    std::vector<Frame> frames_;
    std::set<std::pair<dev_t, ino_t>> visited_;
    FileId destId_{};
    int copied_ = 0;
    bool failed_ = false;
};

}  // namespace

bool xcopyCommand(std::string_view folder, std::string_view destination, CopySwitches switches, Shell& shell,
                  CommandOutput& output) {
    Place source;
    if (!shell.place(folder, source, output.err)) return false;
    return Copier(switches, *shell.texts, output).run(source, "*", destination, shell);
}

}  // namespace tembrel
