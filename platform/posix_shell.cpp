#include "platform/posix_shell.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace tembrel {

namespace {

// Closes a file descriptor or directory stream when it goes out of scope.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd >= 0) close(fd);
    }
    explicit operator bool() const { return fd >= 0; }
};

struct Dir {
    DIR* dir;
    // Takes over the descriptor; it is closed with the stream.
    explicit Dir(int fd) : dir(fd >= 0 ? fdopendir(fd) : nullptr) {
        if (dir == nullptr && fd >= 0) close(fd);
    }
    Dir(const Dir&) = delete;
    Dir& operator=(const Dir&) = delete;
    ~Dir() {
        if (dir != nullptr) closedir(dir);
    }
    // The next entry other than "." and "..", or nullptr at the end.
    dirent* next() {
        while (dirent* e = readdir(dir)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) return e;
        }
        return nullptr;
    }
};

std::string dosName(std::string path) {
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

std::string errorText(int error) { return std::strerror(error); }

// Splits "dir/pattern" into the folder and the last component.
std::pair<std::string, std::string> splitLast(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

bool isRealDirectory(int dirFd, const dirent* entry) {
    if (entry->d_type == DT_DIR) return true;
    if (entry->d_type != DT_UNKNOWN) return false;
    struct stat st;
    return fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

// ---- xcopy ----

struct FileId {
    dev_t dev;
    ino_t ino;
    bool operator==(const FileId&) const = default;
};

FileId idOf(const struct stat& st) { return {st.st_dev, st.st_ino}; }

// Copies the bytes of one open file to another in the kernel: a clone where
// the file system shares blocks, else copy_file_range, else sendfile.
bool copyContents(int in, int out, off_t size) {
    if (ioctl(out, FICLONE, in) == 0) return true;
    off_t done = 0;
    while (done < size) {
        const ssize_t n = copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(size - done), 0);
        if (n <= 0) break;
        done += n;
    }
    if (done >= size) return true;
    while (true) {
        const ssize_t n = sendfile(out, in, nullptr, 1 << 30);
        if (n == 0) return true;
        if (n < 0) return false;
    }
}

class Copier {
public:
    Copier(const CommandLine& command, CommandOutput& output)
        : hidden_(command.has('h')), recurse_(command.has('s') || command.has('e')),
          keepEmpty_(command.has('e')), output_(output) {}

    // Copies what `pattern` matches in the folder `source` into `dest`.
    void run(const std::string& source, const std::string& pattern, const std::string& dest) {
        Fd src(open(source.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!src) {
            output_.err += "File not found - " + dosName(source) + "\n";
            return;
        }
        if (!makeDestination(dest)) return;
        Fd dst(open(dest.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat st;
        if (!dst || fstat(dst.fd, &st) != 0) {
            output_.err += "Unable to create directory - " + dosName(dest) + "\n";
            return;
        }
        destId_ = idOf(st);
        rememberAncestors(src.fd);
        pattern_ = pattern;
        copyFolder(src.fd, dst.fd, "");
        output_.out += std::to_string(copied_) + " File(s) copied\n";
    }

private:
    bool makeDestination(const std::string& dest) {
        struct stat st;
        if (stat(dest.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode)) return true;
            output_.err += "Cannot copy into " + dosName(dest) + ": a file of that name is in the way\n";
            output_.out += "0 File(s) copied\n";
            return false;
        }
        // Create the folder and any missing folders above it.
        for (std::size_t i = 1; i <= dest.size(); ++i) {
            if (i == dest.size() || dest[i] == '/') {
                const std::string part = dest.substr(0, i);
                if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
                    output_.err += "Unable to create directory - " + dosName(part) + ": " + errorText(errno) + "\n";
                    output_.out += "0 File(s) copied\n";
                    return false;
                }
            }
        }
        return true;
    }

    // The source folder and every folder above it: a link that leads back to
    // one of them would make the copy endless.
    void rememberAncestors(int srcFd) {
        struct stat st;
        if (fstat(srcFd, &st) != 0) return;
        ancestors_.push_back(idOf(st));
        std::string up = "..";
        for (int depth = 0; depth < 256; ++depth) {
            struct stat parent;
            if (fstatat(srcFd, up.c_str(), &parent, 0) != 0 || idOf(parent) == ancestors_.back()) break;
            ancestors_.push_back(idOf(parent));
            up += "/..";
        }
    }

    void copyFolder(int srcFd, int dstFd, const std::string& shown) {
        Dir dir(dup(srcFd));
        if (dir.dir == nullptr) return;
        while (dirent* entry = dir.next()) {
            const char* name = entry->d_name;
            if (name[0] == '.' && !hidden_) continue;
            struct stat st;
            // Links are followed: a link to a file is copied as that file.
            if (fstatat(srcFd, name, &st, 0) != 0) {
                output_.err += "Skipped " + shown + name + ": " + errorText(errno) + "\n";
                continue;
            }
            if (S_ISDIR(st.st_mode)) {
                if (recurse_) copySubfolder(srcFd, dstFd, name, st, shown);
            } else if (S_ISREG(st.st_mode) && wildcardMatch(pattern_, name)) {
                copyFile(srcFd, dstFd, name, shown);
            }
        }
    }

    void copySubfolder(int srcFd, int dstFd, const char* name, const struct stat& st, const std::string& shown) {
        const FileId id = idOf(st);
        for (const FileId& a : ancestors_) {
            if (a == id) {
                output_.err += "Skipped " + shown + name + ": it leads back to a folder above it\n";
                return;
            }
        }
        if (id == destId_) return;  // the destination inside the source: never copy it into itself
        Fd sub(openat(srcFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!sub) {
            output_.err += "Skipped " + shown + name + ": " + errorText(errno) + "\n";
            return;
        }
        const bool created = mkdirat(dstFd, name, 0777) == 0;
        if (!created && errno != EEXIST) {
            output_.err += "Unable to create directory - " + shown + name + ": " + errorText(errno) + "\n";
            return;
        }
        Fd dst(openat(dstFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!dst) {
            output_.err += "Unable to create directory - " + shown + name + "\n";
            return;
        }
        const int before = copied_;
        ancestors_.push_back(id);
        copyFolder(sub.fd, dst.fd, shown + name + "\\");
        ancestors_.pop_back();
        // Without /e a folder is made only where it receives files.
        if (created && !keepEmpty_ && copied_ == before) unlinkat(dstFd, name, AT_REMOVEDIR);
    }

    void copyFile(int srcFd, int dstFd, const char* name, const std::string& shown) {
        Fd in(openat(srcFd, name, O_RDONLY | O_CLOEXEC));
        struct stat st;
        if (!in || fstat(in.fd, &st) != 0) {
            output_.err += "Skipped " + shown + name + ": " + errorText(errno) + "\n";
            return;
        }
        // Never write through a link that sits in the destination.
        Fd out(openat(dstFd, name, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!out || !copyContents(in.fd, out.fd, st.st_size)) {
            output_.err += "File creation error - " + shown + name + ": " + errorText(errno) + "\n";
            return;
        }
        // Keep the times and the mode; like xcopy, drop the read-only mark.
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        futimens(out.fd, times);
        fchmod(out.fd, (st.st_mode & 07777) | S_IWUSR);
        output_.out += shown + name + "\n";
        ++copied_;
    }

    const bool hidden_;
    const bool recurse_;
    const bool keepEmpty_;
    CommandOutput& output_;
    std::string pattern_;
    std::vector<FileId> ancestors_;
    FileId destId_{};
    int copied_ = 0;
};

// ---- del and rd ----

// Deletes the entries of a folder that match the pattern, never folders, and
// with `recurse` does the same in each real subfolder. Links are removed as
// links and never followed. Returns how many were deleted.
int deleteMatching(int dirFd, const std::string& pattern, bool recurse, const std::string& shown,
                   CommandOutput& output) {
    Dir dir(dup(dirFd));
    if (dir.dir == nullptr) return 0;
    int deleted = 0;
    while (dirent* entry = dir.next()) {
        const char* name = entry->d_name;
        if (isRealDirectory(dirFd, entry)) {
            if (!recurse) continue;
            Fd sub(openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (sub) deleted += deleteMatching(sub.fd, pattern, recurse, shown + name + "\\", output);
        } else if (wildcardMatch(pattern, name)) {
            if (unlinkat(dirFd, name, 0) == 0) {
                ++deleted;
            } else {
                output.err += shown + name + " - " + errorText(errno) + "\n";
            }
        }
    }
    return deleted;
}

// Removes `name` in the folder `parentFd` and everything below it. Links are
// removed, never followed. Returns false when anything could not be removed.
bool removeTreeAt(int parentFd, const char* name, const std::string& shown, CommandOutput& output) {
    Fd fd(openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) {
        if (unlinkat(parentFd, name, 0) == 0) return true;
        output.err += shown + " - " + errorText(errno) + "\n";
        return false;
    }
    bool ok = true;
    {
        Dir dir(dup(fd.fd));
        if (dir.dir == nullptr) return false;
        while (dirent* entry = dir.next()) {
            const std::string path = shown + "\\" + entry->d_name;
            if (isRealDirectory(fd.fd, entry)) {
                ok = removeTreeAt(fd.fd, entry->d_name, path, output) && ok;
            } else if (unlinkat(fd.fd, entry->d_name, 0) != 0) {
                // A folder without write permission: open it up and try again.
                if (errno == EACCES && fchmod(fd.fd, 0700) == 0 && unlinkat(fd.fd, entry->d_name, 0) == 0) continue;
                output.err += path + " - " + errorText(errno) + "\n";
                ok = false;
            }
        }
    }
    if (unlinkat(parentFd, name, AT_REMOVEDIR) == 0) return true;
    if (ok) output.err += shown + " - " + errorText(errno) + "\n";
    return false;
}

}  // namespace

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

void xcopyCommand(const CommandLine& command, const std::string& driveC, CommandOutput& output) {
    if (command.args.empty()) {
        output.err += "Invalid number of parameters\n";
        return;
    }
    const std::string source = resolvePath(mapDosPath(command.args[0], driveC));
    const std::string dest =
        command.args.size() > 1 ? resolvePath(mapDosPath(command.args[1], driveC)) : std::string(".");
    struct stat st;
    Copier copier(command, output);
    if (!hasWildcards(source) && stat(source.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        copier.run(source, "*", dest);
    } else {
        const auto [folder, pattern] = splitLast(source);
        copier.run(folder, pattern, dest);
    }
}

void delCommand(const CommandLine& command, const std::string& driveC, CommandOutput& output) {
    if (command.args.empty()) output.err += "The syntax of the command is incorrect.\n";
    for (const std::string& arg : command.args) {
        const std::string path = resolvePath(mapDosPath(arg, driveC));
        struct stat st;
        const bool isFolder = lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        const auto [folder, pattern] = isFolder ? std::pair<std::string, std::string>(path, "*") : splitLast(path);
        // The folder itself is never entered through a link.
        Fd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        const int deleted = fd ? deleteMatching(fd.fd, pattern, command.has('s'), "", output) : 0;
        if (!fd || (deleted == 0 && !isFolder)) output.err += "Could Not Find " + arg + "\n";
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
            removeTreeAt(AT_FDCWD, path.c_str(), arg, output);
        } else if (rmdir(path.c_str()) != 0) {
            output.err += errno == ENOTEMPTY ? "The directory is not empty.\n" : errorText(errno) + "\n";
        }
    }
}

std::string findProgram(std::string_view name) {
    const std::string candidate = resolvePath(mapDosPath(name, ""));
    struct stat st;
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        return candidate.find('/') == std::string::npos ? "./" + candidate : candidate;
    }
    if (name.find_first_of("/\\") != std::string_view::npos) return {};
    return findInPath(name);
}

std::string findInPath(std::string_view name) {
    const char* path = getenv("PATH");
    std::string_view dirs = path != nullptr ? path : "/usr/bin:/bin";
    while (!dirs.empty()) {
        const std::size_t colon = std::min(dirs.find(':'), dirs.size());
        std::string dir(dirs.substr(0, colon));
        dirs.remove_prefix(std::min(colon + 1, dirs.size()));
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + std::string(name);
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

void runProgram(const std::string& path, const CommandLine& command) {
    bool windowsProgram = false;
    if (Fd f(open(path.c_str(), O_RDONLY | O_CLOEXEC)); f) {
        char magic[2] = {};
        windowsProgram = read(f.fd, magic, 2) == 2 && magic[0] == 'M' && magic[1] == 'Z';
    }
    std::vector<std::string> words;
    if (windowsProgram) {
        std::string wine = findInPath("wine");
        if (wine.empty()) {
            const std::string message = "Cannot run " + path + ": it is a Windows program and wine is not installed\n";
            (void)!write(2, message.data(), message.size());
            return;
        }
        words.push_back(std::move(wine));
    }
    words.push_back(path);
    words.insert(words.end(), command.words.begin(), command.words.end());

    // Like system(): the interpreter ignores Ctrl+C and Ctrl+\ while it waits.
    struct sigaction ignore {}, oldInt{}, oldQuit{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGINT, &ignore, &oldInt);
    sigaction(SIGQUIT, &ignore, &oldQuit);

    const pid_t child = fork();
    if (child == 0) {
        signal(SIGINT, SIG_DFL);
        signal(SIGQUIT, SIG_DFL);
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        if (errno == ENOEXEC || errno == EACCES) {
            // A script without a #! line or without the execute bit.
            argv.insert(argv.begin(), const_cast<char*>("sh"));
            execv("/bin/sh", argv.data());
        }
        const std::string message = "Cannot run " + path + ": " + errorText(errno) + "\n";
        (void)!write(2, message.data(), message.size());
        _exit(127);
    }
    if (child > 0) {
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGQUIT, &oldQuit, nullptr);
}

}  // namespace tembrel
