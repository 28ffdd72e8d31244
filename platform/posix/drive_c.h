// Drive C on the POSIX platform: where it is, and DOS paths mapped onto it.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace tembrel {

// Where drive C is, or why it has no place.
struct DriveC {
    std::string folder;   // empty when refused; the prefix's drive_c until drive C is opened
    std::string refusal;  // the reason, as Wine gives it
    int fd = -1;          // drive C's folder where it exists, held open for the program's life
};

// Off Windows, drive C is Wine's: in the Wine prefix ($WINEPREFIX, or ~/.wine
// when it is not set), its folder drive_c unless the prefix leads elsewhere
// (see openDriveC). A prefix that is not an absolute path (a relative one, or
// an unexpanded "~") is refused, as Wine refuses it; so is a home folder that
// is unknown or not absolute.
DriveC driveCFolder(const char* winePrefix, const char* home);

// Drive C as this user may use it (see openDriveC).
DriveC ownDriveC(DriveC placed);

// Drive C opened where Wine finds it: where the prefix's dosdevices/c: leads,
// links followed; in a prefix Wine has not set up yet (no dosdevices), its
// drive_c, to which Wine points dosdevices/c: when it sets the prefix up.
// A prefix with dosdevices and no folder at c: has no drive C. A prefix,
// or a drive C, that another user owns is refused as Wine refuses it, so
// that nothing is made in it and nothing deleted. On success `folder` becomes
// the path of the folder held open in `fd`, and what was checked is what
// stays open; `fd` stays -1 while there is nothing to open yet (made later,
// by this user), and on a refusal, `folder` emptied and `refusal` saying why.
void openDriveC(DriveC& drive);

// Whether a DOS path is on drive C ("c:..." or "C:...").
bool onDriveC(std::string_view dosPath);

// Where a DOS path leads: the open folder that holds its last name, and that
// name as the disk spells it ("." for a root). Below drive C the folder is
// reached from drive C's descriptor, held open, one name at a time and never
// through a link, and what is done there is done through that folder: a name
// swapped for a link meanwhile is not followed. Elsewhere it is reached from
// the working folder, links and all.
struct Place {
    int folder = -1;        // -1 (`error` saying why) when a folder on the way is missing
    std::string name;
    std::string path;       // the host path, as far as it was found
    bool onDriveC = false;  // links are then never followed, the last name's included
    int error = 0;

    Place() = default;
    Place(const Place&) = delete;
    Place& operator=(const Place&) = delete;
    ~Place();
    // Opens what stands there (O_CLOEXEC added; O_NOFOLLOW on drive C).
    int open(int flags) const;
    // What stands there, or with `followLink` what a link there leads to.
    bool status(struct stat& st, bool followLink) const;
};

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

    // Where a DOS path leads (see Place), each name matched ignoring case.
    // With `make`, the folders on the way and the last one are made where
    // missing. False for a path on a drive C that could not be placed: the
    // reason goes to `report`, the first time only.
    bool place(std::string_view dosPath, Place& place, std::string& report, bool make = false);

private:
    bool refused(std::string& report);
    // Drive C's folder, opened now if it was not there before; with `make`, made
    // first where missing (`at` tells what could not be made).
    int driveFd(bool make, Place& at);
};

// `path` taken from the folder `base` (an absolute path) by name, as a shell's
// cd does: "." and ".." are worked out in the text, never through a link.
std::string joinByName(const std::string& base, const std::string& path);

// The home folder: HOME, or the user database's when HOME is not set.
std::string homeFolder();

}  // namespace tembrel
