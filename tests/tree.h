// Files and folder trees written, read and compared in tests.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace tembrel::testing {

namespace fs = std::filesystem;

inline void writeFile(const fs::path& path, const std::string& content) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

inline void makeFolders(const fs::path& path) { fs::create_directories(path); }

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// How many staging folders of the install folder `folder` stand in `driveC`.
inline int stagingFolders(const fs::path& driveC, const std::string& folder) {
    int found = 0;
    for (const auto& e : fs::directory_iterator(driveC)) found += e.path().filename().string().starts_with("." + folder + ".partial-");
    return found;
}

// A tree as "relative path -> what it is": file modes and contents, folders,
// links. Without `modes`, files show their contents only.
inline std::map<std::string, std::string> snapshot(const fs::path& root, bool modes = true) {
    std::map<std::string, std::string> tree;
    if (!fs::exists(fs::symlink_status(root))) return tree;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string rel = it->path().lexically_relative(root).string();
        struct stat st;
        lstat(it->path().c_str(), &st);
        if (S_ISLNK(st.st_mode)) {
            tree[rel] = "link " + fs::read_symlink(it->path()).string();
        } else if (S_ISDIR(st.st_mode)) {
            tree[rel] = "folder";
        } else {
            tree[rel] = (modes ? "file " + std::to_string(st.st_mode & 0777) + " " : "file ") + readFile(it->path());
        }
    }
    return tree;
}

}  // namespace tembrel::testing
