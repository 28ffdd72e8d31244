#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tembrel {

// Where drive C is, or why it has no place.
struct DriveC {
    std::string folder;   // empty when refused
    std::string refusal;  // the reason, as Wine gives it
};

// Off Windows, drive C is Wine's: the folder drive_c of the Wine prefix
// ($WINEPREFIX, or ~/.wine when it is not set). A prefix that is not an
// absolute path (a relative one, or an unexpanded "~") is refused, as Wine
// refuses it; so is a home folder that is unknown or not absolute.
DriveC driveCFolder(const char* winePrefix, const char* home);

// A DOS path turned into a host path. Components after `fixed` are still to be
// matched against the disk ignoring case.
struct HostPath {
    std::string path;
    std::size_t fixed = 0;
};

// "c:\X\Y" and "C:\X\Y" become <driveC>/X/Y; backslashes become slashes;
// relative paths stay relative.
HostPath mapDosPath(std::string_view dosPath, std::string_view driveC);

}  // namespace tembrel
