// Drive C on the POSIX platform: where it is, and DOS paths mapped onto it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tembrel {

// Where drive C is, or why it has no place.
struct DriveC {
    std::string folder;   // empty when refused
    std::string refusal;  // the reason, as Wine gives it
    int fd = -1;          // drive_c where it exists, held open for the program's life
};

// Off Windows, drive C is Wine's: the folder drive_c of the Wine prefix
// ($WINEPREFIX, or ~/.wine when it is not set). A prefix that is not an
// absolute path (a relative one, or an unexpanded "~") is refused, as Wine
// refuses it; so is a home folder that is unknown or not absolute.
DriveC driveCFolder(const char* winePrefix, const char* home);

// Drive C as this user may use it: a prefix, or a drive_c in it, that
// another user owns is refused as Wine refuses it, so that nothing is made in
// it and nothing deleted. Where drive_c exists it is opened, and what was
// checked is what stays open.
DriveC ownDriveC(DriveC placed);

// A DOS path turned into a host path. Components after `fixed` are still to be
// matched against the disk ignoring case.
struct HostPath {
    std::string path;
    std::size_t fixed = 0;
};

// "c:\X\Y" and "C:\X\Y" become <driveC>/X/Y; backslashes become slashes;
// relative paths stay relative.
HostPath mapDosPath(std::string_view dosPath, std::string_view driveC);

// Drive C placed, and DOS paths turned into host paths through it.
struct DriveCPaths {
    DriveC driveC;
    bool refusalShown = false;

    // A DOS path as a host path, each component matched ignoring case. False
    // for a path on a drive C that could not be placed: the reason goes to
    // `report`, the first time only.
    bool hostPath(std::string_view dosPath, std::string& host, std::string& report);
};

// Resolves a mapped path against the disk: each component not present under
// its exact name takes the name of an entry that differs only in case.
std::string resolvePath(const HostPath& path);

// `path` taken from the folder `base` (an absolute path) by name, as a shell's
// cd does: "." and ".." are worked out in the text, never through a link.
std::string joinByName(const std::string& base, const std::string& path);

// The home folder: HOME, or the user database's when HOME is not set.
std::string homeFolder();

}  // namespace tembrel
