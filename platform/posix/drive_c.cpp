// Drive C on the POSIX platform: where Wine places it, DOS paths mapped onto
// it with names matched ignoring case, and folders changed by name.

#include "platform/posix/drive_c.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/command_line.h"
#include "platform/posix/walk.h"

namespace tembrel {

DriveC driveCFolder(const char* winePrefix, const char* home) {
    std::string prefix;
    if (winePrefix != nullptr && *winePrefix != '\0') {
        prefix = winePrefix;
        if (prefix[0] != '/') {
            return {"", "wine: invalid directory " + prefix + " in WINEPREFIX: not an absolute path\n"};
        }
    } else {
        if (home == nullptr || *home == '\0') return {"", "wine: could not determine your home directory\n"};
        if (home[0] != '/') return {"", "wine: the home directory " + std::string(home) + " is not an absolute path\n"};
        prefix = home;
        prefix += "/.wine";
    }
    while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
    return {prefix + "/drive_c", ""};
}

namespace {

void refuse(DriveC& drive, std::string why) { drive = {"", std::move(why)}; }

// The path of an open folder, by the kernel's account where /proc tells it.
std::string pathOf(int fd, const std::string& path) {
    char buffer[PATH_MAX];
    const ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), buffer, sizeof buffer);
    if (n > 0 && n < static_cast<ssize_t>(sizeof buffer) && buffer[0] == '/') return std::string(buffer, n);
    return realpath(path.c_str(), buffer) != nullptr ? buffer : path;
}

}  // namespace

// Wine makes dosdevices, drive_c and the link c: to it only when it finds no
// dosdevices at all (anything of that name counts); then on, it reaches every
// C: path through dosdevices/c:, wherever that leads.
void openDriveC(DriveC& drive) {
    const std::string prefix = splitLast(drive.folder).first;
    struct stat st;
    Fd top(open(prefix.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!top) return;  // made later, by this user
    if (fstat(top.fd, &st) != 0 || st.st_uid != getuid()) {
        return refuse(drive, "wine: '" + prefix + "' is not owned by you\n");
    }
    const bool setUp = fstatat(top.fd, "dosdevices", &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
    const int fd = openat(top.fd, setUp ? "dosdevices/c:" : "drive_c", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && setUp) return refuse(drive, "Drive C: '" + prefix + "/dosdevices/c:' leads to no folder\n");
    if (fd < 0) return;  // drive_c, made later
    if (setUp) drive.folder = pathOf(fd, prefix + "/dosdevices/c:");
    if (fstat(fd, &st) != 0 || st.st_uid != getuid()) {
        close(fd);
        return refuse(drive, "wine: '" + drive.folder + "' is not owned by you\n");
    }
    drive.fd = fd;
}

DriveC ownDriveC(DriveC placed) {
    if (!placed.folder.empty()) openDriveC(placed);
    return placed;
}

bool onDriveC(std::string_view dosPath) {
    return dosPath.size() >= 2 && (dosPath[0] == 'c' || dosPath[0] == 'C') && dosPath[1] == ':';
}

HostPath mapDosPath(std::string_view dosPath, std::string_view driveC) {
    HostPath host;
    if (onDriveC(dosPath)) {
        dosPath.remove_prefix(2);
        host.path = driveC;
        host.fixed = host.path.size();
        // "c:X" is taken from the root as well: the launcher's drive C has no
        // other current folder to be relative to.
        if (!dosPath.empty() && dosPath.front() != '\\' && dosPath.front() != '/') host.path += '/';
    }
    for (char c : dosPath) host.path += (c == '\\') ? '/' : c;
    if (host.path.empty()) host.path.push_back('.');
    // Keep "<drive_c>/" for the root itself, drop it elsewhere.
    while (host.path.size() > host.fixed + 1 && host.path.back() == '/') host.path.pop_back();
    return host;
}

bool DriveCPaths::refused(std::string& report) {
    if (!refusalShown) report += driveC.refusal;
    refusalShown = true;
    return false;
}

// The user database is read from its file: the programs are linked
// statically, where the C library's lookup would need its shared modules.
std::string homeFolder() {
    const char* home = getenv("HOME");
    if (home != nullptr && *home != '\0') return home;
    std::ifstream users("/etc/passwd");
    const std::string uid = std::to_string(getuid());
    for (std::string line; std::getline(users, line);) {
        // name:password:uid:gid:comment:home:shell
        std::vector<std::string_view> fields;
        for (std::size_t at = 0; fields.size() < 7;) {
            const std::size_t colon = std::min(line.find(':', at), line.size());
            fields.push_back(std::string_view(line).substr(at, colon - at));
            if (colon == line.size()) break;
            at = colon + 1;
        }
        if (fields.size() >= 6 && fields[2] == uid) return std::string(fields[5]);
    }
    return "";
}

std::string joinByName(const std::string& base, const std::string& path) {
    std::vector<std::string_view> parts;
    const auto take = [&](std::string_view text) {
        while (!text.empty()) {
            const std::size_t slash = std::min(text.find('/'), text.size());
            const std::string_view part = text.substr(0, slash);
            text.remove_prefix(std::min(slash + 1, text.size()));
            if (part.empty() || part == ".") continue;
            if (part == "..") {
                if (!parts.empty()) parts.pop_back();
            } else {
                parts.push_back(part);
            }
        }
    };
    if (path.empty() || path[0] != '/') take(base);
    take(path);
    std::string joined;
    for (std::string_view part : parts) {
        joined += '/';
        joined += part;
    }
    return joined.empty() ? "/" : joined;
}

}  // namespace tembrel
