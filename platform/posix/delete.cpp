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

// Names what a delete leaves, and why.
void left(CommandOutput& output, const CommandTexts& texts, std::string_view shown, std::string_view why, Why kind) {
    Host::noteStayed(shown, kind);
    output.err += fillIn(texts.cannotRemove, {shown, why});
    output.lineDone();
}

// Deletes as the walk goes: every file, link and other entry, and with
// `removeFolders` (rd) each folder once it is empty.
class Deleter {
public:
    Deleter(FolderChain& chain, const Shell& shell, CommandOutput& output, std::string shown, bool removeFolders)
        : walk_(chain, output, shell.texts->cannotRemove, shell.texts->readIncomplete, std::move(shown)),
          texts_(*shell.texts), ship_(shell.ship), removeFolders_(removeFolders) {}

    // False when anything stays that was to go.
    bool run() { return walk_.run(*this); }
    // How many entries other than folders it found, deleted or not.
    int found() const { return found_; }
    // Names the entry at hand, as left.
    void report(std::string_view why, Why kind) {
        Host::noteStayed(walk_.shown(), kind);
        walk_.report(fillIn(texts_.cannotRemove, {walk_.shown(), why}));
    }
    void report(int error) { report(errorText(error), whyOfErrno(error)); }

private:
    friend class tembrel::TreeWalk;  // calls enter, file and leave
    // Never through a link nor into another file system or the ship folder;
    // a folder that denies entry is opened up first.
    bool enter(const std::string& name) {
        FolderChain& chain = walk_.chain();
        const dev_t device = chain.device();
        if (!chain.enter(name) &&
            (errno != EACCES || fchmodat(chain.fd(), name.c_str(), 0700, 0) != 0 || !chain.enter(name))) {
            report(errno);
            return false;
        }
        const bool mount = isMountPoint(chain.fd(), device);
        if (!mount && chain.id() != ship_) return true;
        chain.leave();
        report(mount ? texts_.mountLeftAlone : texts_.shipFolderLeftAlone, mount ? Why::Link : Why::ShipFolder);
        return false;
    }

    void file(const Entry& entry) {
        ++found_;
        if (!removeEntry(walk_.chain().fd(), entry.name, 0)) report(errno);
    }

    // A folder that keeps something is left; its failure is named already.
    void leave(const std::string& name, bool whole) {
        if (whole && removeFolders_ && !removeEntry(walk_.chain().fd(), name, AT_REMOVEDIR)) report(errno);
    }

    TreeWalk walk_;
    const CommandTexts& texts_;
    const FileId ship_;
    const bool removeFolders_;
    int found_ = 0;
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

// Why openGivenFolder left a folder alone.
Why leftAlone(std::string_view why, const Shell& shell) {
    return why == shell.texts->mountLeftAlone ? Why::Link : Why::ShipFolder;
}

// A folder that is not there holds nothing to delete; one that is there but
// cannot be looked into is reported, with why (errno's).
Deleted notOpened(const std::string& shown, const Shell& shell, CommandOutput& output) {
    const int cause = errno;
    if (cause == ENOENT || cause == ENOTDIR) return Deleted::NoneFound;
    left(output, *shell.texts, shown, errorText(cause), whyOfErrno(cause));
    return Deleted::NotAll;
}

}  // namespace

Deleted deleteFiles(std::string_view folderPath, Shell& shell, CommandOutput& output) {
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
        left(output, *shell.texts, arg, why, leftAlone(why, shell));
        return Deleted::NotAll;
    }
    FolderChain chain(fd);
    Deleter deleter(chain, shell, output, arg, false);
    if (!deleter.run()) return Deleted::NotAll;
    return deleter.found() == 0 ? Deleted::NoneFound : Deleted::All;
}

bool removeTree(std::string_view folderPath, Shell& shell, CommandOutput& output) {
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
    std::string_view why;
    const int fd = openGivenFolder(place, why, shell);
    if (fd < 0) {
        left(output, texts, arg, why.empty() ? errorText(errno) : std::string(why),
             why.empty() ? whyOfErrno(errno) : leftAlone(why, shell));
        return false;
    }
    FolderChain chain(fd);
    Deleter deleter(chain, shell, output, arg, true);
    // The folder itself goes last, named as given.
    if (!deleter.run()) return false;
    if (unlinkat(place.folder, place.name.c_str(), AT_REMOVEDIR) == 0) return true;
    deleter.report(errno);
    return false;
}

}  // namespace tembrel
