// Program start on the POSIX platform: finding the program, running it (a
// Windows program through wine) and waiting for it.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/posix/fs.h"
#include "platform/posix/shell.h"

namespace tembrel {

namespace {

// How SIGPIPE and SIGXFSZ were handled before the launcher ignored them.
struct sigaction originalPipe, originalFileSize;
bool writeSignalsIgnored = false;

bool isWindowsProgram(const std::string& path) {
    Fd f(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    char magic[2] = {};
    return f && read(f.fd, magic, 2) == 2 && magic[0] == 'M' && magic[1] == 'Z';
}

bool isExecutableFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

void keepRunningOnWriteFailures() {
    if (writeSignalsIgnored) return;
    writeSignalsIgnored = true;
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &originalPipe);
    sigaction(SIGXFSZ, &ignore, &originalFileSize);
}

std::string findProgram(std::string_view name) {
    const std::string candidate = resolvePath(mapDosPath(name, ""));
    struct stat st;
    // A file without execute permission is no program, whatever its name,
    // unless it is a Windows program: those come without the permission from
    // Windows media, and wine runs them.
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        (access(candidate.c_str(), X_OK) == 0 || isWindowsProgram(candidate))) {
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
        if (isExecutableFile(candidate)) return candidate;
    }
    return {};
}

void runProgram(const std::string& path, const CommandLine& command) {
    std::vector<std::string> words;
    if (isWindowsProgram(path)) {
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
        if (writeSignalsIgnored) {
            sigaction(SIGPIPE, &originalPipe, nullptr);
            sigaction(SIGXFSZ, &originalFileSize, nullptr);
        }
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        if (errno == ENOEXEC) {
            // An executable script without a #! line: the shell runs it, as
            // any POSIX shell would.
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
