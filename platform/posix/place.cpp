// DOS paths reached by descriptor, one name at a time: below drive C from its
// folder held open and never through a link; elsewhere from the working folder.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/command_line.h"
#include "platform/posix/drive_c.h"
#include "platform/posix/walk.h"

namespace tembrel {

namespace {

// The name `wanted` as the open folder spells it: itself where it is there,
// else an entry that differs from it only in case, else itself.
std::string spelled(int folderFd, const std::string& wanted) {
    struct stat st;
    if (fstatat(folderFd, wanted.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return wanted;
    for (Entry& entry : listFolder(folderFd)) {
        if (equalsIgnoringCase(entry.name, wanted)) return std::move(entry.name);
    }
    return wanted;
}

// Makes the folder `path` and those above it where missing, as mkdir -p
// does. False, with the folder that could not be made in `at`, on failure.
bool makeFolders(const std::string& path, Place& at) {
    for (std::size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/') continue;
        const std::string part = path.substr(0, i);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            at.error = errno;
            at.path = part;
            return false;
        }
    }
    return true;
}

// Gives up on the place: a folder on the way is missing, or no folder.
void giveUp(Place& at) {
    at.error = errno;
    if (at.folder >= 0) close(at.folder);
    at.folder = -1;
}

}  // namespace

Place::~Place() {
    if (folder >= 0) close(folder);
}

int Place::open(int flags) const {
    if (folder < 0) {
        errno = error;
        return -1;
    }
    return openat(folder, name.c_str(), flags | O_CLOEXEC | (onDriveC ? O_NOFOLLOW : 0));
}

bool Place::status(struct stat& st, bool followLink) const {
    if (folder < 0) {
        errno = error;
        return false;
    }
    return fstatat(folder, name.c_str(), &st, followLink ? 0 : AT_SYMLINK_NOFOLLOW) == 0;
}

int DriveCPaths::driveFd(bool make, Place& at) {
    if (driveC.fd >= 0) return driveC.fd;
    if (make && !makeFolders(driveC.folder, at)) return -1;
    openDriveC(driveC);
    at.error = errno;
    return driveC.fd;
}

// Both kinds of path are walked one name at a time from an open folder, each
// name matched ignoring case; below drive C links are never followed and
// nothing leads above it, elsewhere links are followed and ".." at the start
// leads up from the working folder.
bool DriveCPaths::place(std::string_view dosPath, Place& at, std::string& report, bool make) {
    int top = AT_FDCWD;
    at.onDriveC = onDriveC(dosPath);
    if (at.onDriveC) {
        if (driveC.folder.empty()) return refused(report);
        at.path = driveC.folder;
        top = driveFd(make, at);
        if (driveC.folder.empty()) return refused(report);
        if (top < 0) return true;
        at.path = driveC.folder;  // where drive C was found to lead
    }
    // The names, with "." and ".." worked out in the text.
    std::vector<std::string> names;
    const std::string text = mapDosPath(dosPath, "").path;
    const bool absolute = !at.onDriveC && text.rfind('/', 0) == 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = std::min(text.find('/', pos), text.size());
        const std::string part = text.substr(pos, end - pos);
        pos = end + 1;
        if (part == ".." && !names.empty() && names.back() != "..") {
            names.pop_back();
        } else if (part == ".." ? !at.onDriveC && !absolute : !part.empty() && part != ".") {
            names.push_back(part);
        }
    }
    const int follow = at.onDriveC ? O_NOFOLLOW : 0;
    at.folder = openat(top, absolute ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    at.name.assign(1, '.');  // the folder itself, until a name follows
    if (absolute) at.path.assign(names.empty() ? 1 : 0, '/');
    if (at.folder < 0) giveUp(at);
    for (std::size_t i = 0; i < names.size(); ++i) {
        // Past a missing folder the names are only recorded, to be shown.
        const std::string name = at.folder >= 0 && names[i] != ".." ? spelled(at.folder, names[i]) : names[i];
        if (absolute || !at.path.empty()) at.path.push_back('/');
        at.path.append(name);
        if (at.folder < 0) continue;
        if (make && mkdirat(at.folder, name.c_str(), 0777) != 0 && errno != EEXIST) {
            giveUp(at);
        } else if (i + 1 == names.size()) {
            at.name = name;
        } else if (const int next = openat(at.folder, name.c_str(), O_PATH | O_DIRECTORY | follow | O_CLOEXEC);
                   next < 0) {
            giveUp(at);
        } else {
            close(at.folder);
            at.folder = next;
        }
    }
    if (at.path.empty()) at.path.assign(1, '.');
    return true;
}

}  // namespace tembrel
