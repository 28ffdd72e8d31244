#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tembrel {

// Off Windows, drive C is Wine's: the folder drive_c of the Wine prefix
// ($WINEPREFIX, or ~/.wine when it is not set).
std::string driveCFolder(const char* winePrefix, const char* home);

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
