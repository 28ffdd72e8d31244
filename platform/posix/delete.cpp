// del and rd on the POSIX platform. Both stay inside the folder they are
// given: links are removed as links, never followed, and a file system
// mounted at or inside the folder is never entered. What they cannot remove
// they report. Trees of any depth are walked with an explicit stack.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/walk.h"
#include "platform/posix/commands.h"
#include "platform/posix/names.h"

namespace tembrel {

namespace {

// Removes one entry of the folder; where the folder denies it for want of
// write permission (a read-only folder), opens the folder up and tries again.
bool removeEntry(int folderFd, const std::string& name, int flags) {
    if (unlinkat(folderFd, name.c_str(), flags) == 0) return true;
    if (errno != EACCES || fchmod(folderFd, 0700) != 0) return false;
    return unlinkat(folderFd, name.c_str(), flags) == 0;
}

// A walk down a folder tree that deletes as it goes: del's files, or with
// `removeFolders` (rd /s) everything, each folder once it is empty.
class Deleter {
public:
    Deleter(const Shell& shell, CommandOutput& output, std::string shown)
        : texts_(*shell.texts), output_(output), shown_(std::move(shown)), ship_(shell.ship) {}

    // Deletes the entries that match `pattern` in the chain's folder and,
    // with `recurse`, below it: only files, or everything when removing
    // folders too. Returns how many files matched, deleted or not.
    int run(FolderChain& chain, const std::string& pattern, bool recurse, bool removeFolders) {
        int matched = 0;
        push(chain);
        while (!frames_.empty()) {
            Frame& frame = frames_.back();
            if (frame.next == frame.entries.size()) {
                leaveFolder(chain, removeFolders);
                continue;
            }
            const Entry entry = frame.entries[frame.next++];
            shown_.resize(frame.shownLength);
            shown_ += shownName(entry.name, output_.utf8);
            if (entry.kind == Entry::Folder) {
                if (recurse && enter(chain, entry.name)) push(chain);
            } else if (removeFolders || wildcardMatch(pattern, entry.name)) {
                ++matched;
                if (!removeEntry(chain.fd(), entry.name, 0)) report(errorText(errno));
            }
        }
        return matched;
    }

    // Reports what could not be removed, and why; its folder then cannot go.
    void report(std::string_view why) {
        failed_ = true;
        if (!frames_.empty()) frames_.back().incomplete = true;
        output_.err += fillIn(texts_.cannotRemove, {shown_, why});
        output_.lineDone();
    }
    bool failed() const { return failed_; }

private:
    struct Frame {
        std::vector<Entry> entries;
        std::size_t next = 0;
        std::size_t shownLength = 0;
        bool incomplete = false;  // something in it stays
    };

    void push(FolderChain& chain) {
        bool complete = true;
        Frame frame{listFolder(chain.fd(), &complete)};
        if (!complete) report(std::string(texts_.readIncomplete) + " (" + errorText(errno) + ")");
        if (!shown_.empty()) shown_ += '\\';
        frame.shownLength = shown_.size();
        frames_.push_back(std::move(frame));
    }

    void leaveFolder(FolderChain& chain, bool removeFolders) {
        const bool incomplete = frames_.back().incomplete;
        frames_.pop_back();
        if (frames_.empty()) return;
        const std::string name(chain.name());
        chain.leave();
        shown_.resize(frames_.back().shownLength);
        shown_ += shownName(name, output_.utf8);
        if (incomplete) {
            frames_.back().incomplete = true;
        } else if (removeFolders && !removeEntry(chain.fd(), name, AT_REMOVEDIR)) {
            report(errorText(errno));
        }
    }

    // Enters the subfolder `name`, never through a link nor into another file
    // system. Reports why not; a folder that denies entry is opened up first.
    bool enter(FolderChain& chain, const std::string& name) {
        const dev_t device = chain.device();
        if (!chain.enter(name)) {
            if (errno != EACCES || fchmodat(chain.fd(), name.c_str(), 0700, 0) != 0 || !chain.enter(name)) {
                report(errorText(errno));
                return false;
            }
        }
        const bool mount = isMountPoint(chain.fd(), device);
        if (mount || chain.id() == ship_) {
            chain.leave();
            report(mount ? texts_.mountLeftAlone : texts_.shipFolderLeftAlone);
            return false;
        }
        return true;
    }

    const CommandTexts& texts_;
    CommandOutput& output_;
    std::string shown_;  // the path of the entry at hand, as shown
    std::vector<Frame> frames_;
    const FileId ship_;
    bool failed_ = false;
};

// Opens the folder a del or rd is given: never through a link, never a file
// system mounted there, never the program's own folder. -1 when it is not to
// be worked on; `why` says why.
int openGivenFolder(const Place& place, std::string_view& why, const Shell& shell) {
    const int fd = place.open(O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (fd < 0) return -1;
    struct stat parent, st;
    if (fstat(place.folder, &parent) != 0 || isMountPoint(fd, parent.st_dev)) {
        why = shell.texts->mountLeftAlone;
    } else if (fstat(fd, &st) != 0 || idOf(st) == shell.ship) {
        why = shell.texts->shipFolderLeftAlone;
    } else {
        return fd;
    }
    close(fd);
    return -1;
}

// A folder that is not there holds nothing to delete; one that is there but
// cannot be looked into is reported, with why (errno's).
Deleted notOpened(const std::string& shown, const Shell& shell, CommandOutput& output) {
    const int cause = errno;
    if (cause == ENOENT || cause == ENOTDIR) return Deleted::NoneFound;
    Deleter(shell, output, shown).report(errorText(cause));
    return Deleted::NotAll;
}

}  // namespace

Deleted delCommand(std::string_view folderPath, bool subfolders, Shell& shell, CommandOutput& output) {
    const std::string arg(folderPath);
    Place place;
    if (!shell.place(arg, place, output.err)) return Deleted::NotAll;
    struct stat st;
    if (!place.status(st, false)) return notOpened(arg, shell, output);
    if (!S_ISDIR(st.st_mode)) return Deleted::NoneFound;
    std::string_view why;
    const int fd = openGivenFolder(place, why, shell);
    if (fd < 0 && why.empty()) return notOpened(arg, shell, output);
    if (fd < 0) {
        Deleter(shell, output, arg).report(why);
        return Deleted::NotAll;
    }
    FolderChain chain(fd);
    Deleter deleter(shell, output, arg);
    const int matched = deleter.run(chain, "*", subfolders, false);
    if (deleter.failed()) return Deleted::NotAll;
    return matched == 0 ? Deleted::NoneFound : Deleted::All;
}

bool rdCommand(std::string_view folderPath, bool everything, Shell& shell, CommandOutput& output) {
    const CommandTexts& texts = *shell.texts;
    const std::string arg(folderPath);
    Place place;
    struct stat st;
    if (!shell.place(arg, place, output.err)) return false;
    if (!place.status(st, false)) {
        output.err += texts.folderNotFound;
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        // A link to a folder goes, never what it points to.
        if (place.status(st, true) && S_ISDIR(st.st_mode) && unlinkat(place.folder, place.name.c_str(), 0) == 0)
            return true;
        output.err += texts.notAFolder;
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        output.err += texts.notAFolder;
        return false;
    }
    if (everything) {
        std::string_view why;
        const int fd = openGivenFolder(place, why, shell);
        // The reason is taken before anything else can change errno.
        const std::string reason = why.empty() ? errorText(errno) : std::string(why);
        Deleter deleter(shell, output, arg);
        if (fd < 0) {
            deleter.report(reason);
            return false;
        }
        FolderChain chain(fd);
        deleter.run(chain, "*", true, true);
        if (deleter.failed()) return false;
        if (unlinkat(place.folder, place.name.c_str(), AT_REMOVEDIR) == 0) return true;
        // Named as given: the walk leaves its path at the last entry it met.
        Deleter(shell, output, arg).report(errorText(errno));
        return false;
    }
    if (unlinkat(place.folder, place.name.c_str(), AT_REMOVEDIR) == 0) return true;
    output.err += errno == ENOTEMPTY ? std::string(texts.folderNotEmpty)
                                     : fillIn(texts.cannotRemove, {arg, errorText(errno)});
    return false;
}

}  // namespace tembrel
