// del and rd on the POSIX platform. Both stay inside the folder they are
// given: links are removed as links, never followed, and a file system
// mounted inside is never entered. What they cannot remove they report.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/fs.h"
#include "platform/posix/shell.h"

namespace tembrel {

namespace {

void report(CommandOutput& output, const std::string& shown, const std::string& why) {
    output.err += shown + " - " + why + "\n";
    output.lineDone();
}

// Removes one entry of the folder; where the folder denies it for want of
// write permission (a read-only folder), opens the folder up and tries again.
bool removeEntry(int folderFd, const std::string& name, int flags) {
    if (unlinkat(folderFd, name.c_str(), flags) == 0) return true;
    if (errno != EACCES || fchmod(folderFd, 0700) != 0) return false;
    return unlinkat(folderFd, name.c_str(), flags) == 0;
}

// Enters the subfolder `name`, never through a link nor into another file
// system. Reports why not; a folder that denies entry is opened up first.
bool enterSubfolder(FolderChain& chain, const std::string& name, const std::string& shown, CommandOutput& output) {
    const dev_t device = chain.device();
    if (!chain.enter(name)) {
        if (errno != EACCES || fchmodat(chain.fd(), name.c_str(), 0700, 0) != 0 || !chain.enter(name)) {
            report(output, shown, errorText(errno));
            return false;
        }
    }
    if (isMountPoint(chain.fd(), device)) {
        chain.leave();
        report(output, shown, "another file system is mounted here; it is left alone");
        return false;
    }
    return true;
}

// Deletes the entries of the current folder that match the pattern, never
// folders, and with `recurse` does the same in each subfolder. Returns how
// many were deleted.
int deleteMatching(FolderChain& chain, const std::string& pattern, bool recurse, const std::string& shown,
                   CommandOutput& output) {
    int deleted = 0;
    for (const Entry& entry : listFolder(chain.fd())) {
        const std::string path = shown + shownName(entry.name, output.utf8);
        if (entry.kind == Entry::Folder) {
            if (!recurse || !enterSubfolder(chain, entry.name, path, output)) continue;
            deleted += deleteMatching(chain, pattern, recurse, path + "\\", output);
            chain.leave();
        } else if (wildcardMatch(pattern, entry.name)) {
            if (removeEntry(chain.fd(), entry.name, 0)) {
                ++deleted;
            } else {
                report(output, path, errorText(errno));
            }
        }
    }
    return deleted;
}

// Removes everything in the current folder. Returns false when anything
// could not be removed.
bool removeContents(FolderChain& chain, const std::string& shown, CommandOutput& output) {
    bool complete = true;
    const std::vector<Entry> entries = listFolder(chain.fd(), &complete);
    bool ok = complete;
    if (!complete) report(output, shown, "the folder could not be read to its end");
    for (const Entry& entry : entries) {
        const std::string path = shown + "\\" + shownName(entry.name, output.utf8);
        if (entry.kind == Entry::Folder) {
            if (!enterSubfolder(chain, entry.name, path, output)) {
                ok = false;
                continue;
            }
            const bool emptied = removeContents(chain, path, output);
            chain.leave();
            if (removeEntry(chain.fd(), entry.name, AT_REMOVEDIR)) continue;
            if (emptied) report(output, path, errorText(errno));
            ok = false;
        } else if (!removeEntry(chain.fd(), entry.name, 0)) {
            report(output, path, errorText(errno));
            ok = false;
        }
    }
    return ok;
}

}  // namespace

void delCommand(const CommandLine& command, const std::string& driveC, CommandOutput& output) {
    if (command.args.empty()) output.err += "The syntax of the command is incorrect.\n";
    for (const std::string& arg : command.args) {
        const std::string path = resolvePath(mapDosPath(arg, driveC));
        struct stat st;
        const bool isFolder = lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        const auto [folder, pattern] = isFolder ? std::pair<std::string, std::string>(path, "*") : splitLast(path);
        // The folder itself is never entered through a link.
        FolderChain chain(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        const bool opened = chain.fd() >= 0;
        const int deleted = opened ? deleteMatching(chain, pattern, command.has('s'), "", output) : 0;
        if (!opened || (deleted == 0 && !isFolder)) output.err += "Could Not Find " + arg + "\n";
    }
}

void rdCommand(const CommandLine& command, const std::string& driveC, CommandOutput& output) {
    if (command.args.empty()) output.err += "The syntax of the command is incorrect.\n";
    for (const std::string& arg : command.args) {
        const std::string path = resolvePath(mapDosPath(arg, driveC));
        struct stat st;
        if (lstat(path.c_str(), &st) != 0) {
            output.err += "The system cannot find the file specified.\n";
        } else if (S_ISLNK(st.st_mode)) {
            // A link to a folder goes, never what it points to.
            if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && unlink(path.c_str()) == 0) continue;
            output.err += "The directory name is invalid.\n";
        } else if (!S_ISDIR(st.st_mode)) {
            output.err += "The directory name is invalid.\n";
        } else if (command.has('s')) {
            FolderChain chain(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (chain.fd() < 0) report(output, arg, errorText(errno));
            const bool emptied = chain.fd() >= 0 && removeContents(chain, arg, output);
            if (rmdir(path.c_str()) != 0 && emptied) report(output, arg, errorText(errno));
        } else if (rmdir(path.c_str()) != 0) {
            output.err += errno == ENOTEMPTY ? "The directory is not empty.\n" : errorText(errno) + "\n";
        }
    }
}

}  // namespace tembrel
