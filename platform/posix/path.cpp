// Paths on the POSIX platform: DOS names matched against the disk ignoring
// case, and folders changed by name as on Windows.

#include <dirent.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/command_line.h"
#include "platform/posix/shell.h"

namespace tembrel {

std::string resolvePath(const HostPath& host) {
    const std::string& path = host.path;
    std::string resolved = path.substr(0, host.fixed);
    std::size_t pos = host.fixed;
    while (pos < path.size()) {
        if (path[pos] == '/') {
            resolved += '/';
            ++pos;
            continue;
        }
        const std::size_t end = std::min(path.find('/', pos), path.size());
        const std::string component = path.substr(pos, end - pos);
        const std::string exact = resolved + component;
        struct stat st;
        if (component == "." || component == ".." || lstat(exact.c_str(), &st) == 0) {
            resolved = exact;
        } else {
            // Look for the same name in another letter case.
            std::string found;
            if (DIR* dir = opendir(resolved.empty() ? "." : resolved.c_str())) {
                while (dirent* e = readdir(dir)) {
                    if (equalsIgnoringCase(e->d_name, component)) {
                        found = e->d_name;
                        break;
                    }
                }
                closedir(dir);
            }
            if (found.empty()) return exact + path.substr(end);  // nothing further can match
            resolved += found;
        }
        pos = end;
    }
    return resolved;
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
