#include "platform/dos_path.h"

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

HostPath mapDosPath(std::string_view dosPath, std::string_view driveC) {
    HostPath host;
    const bool onDriveC = dosPath.size() >= 2 && (dosPath[0] == 'c' || dosPath[0] == 'C') && dosPath[1] == ':';
    if (onDriveC) {
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

}  // namespace tembrel
