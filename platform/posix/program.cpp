// Program start on the POSIX platform: finding the program in the ship
// folder, running it (a Windows program through wine) and waiting for it.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/posix/walk.h"
#include "platform/posix/commands.h"

namespace tembrel {

namespace {

// How SIGPIPE and SIGXFSZ were handled before the launcher ignored them.
struct sigaction originalPipe, originalFileSize;
bool writeSignalsIgnored = false;

bool isWindowsProgram(int folderFd, const std::string& name) {
    Fd f(openat(folderFd, name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    char magic[2] = {};
    return f && read(f.fd, magic, 2) == 2 && magic[0] == 'M' && magic[1] == 'Z';
}

bool isExecutableFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// A file without execute permission is no program, whatever its name, unless
// it is a Windows program: those come without the permission from Windows
// media, and wine runs them.
bool isProgram(int folderFd, const std::string& name) {
    struct stat st;
    return fstatat(folderFd, name.c_str(), &st, 0) == 0 && S_ISREG(st.st_mode) &&
           (faccessat(folderFd, name.c_str(), X_OK, 0) == 0 || isWindowsProgram(folderFd, name));
}

// Why a program that is there did not start. "No such file or directory"
// for a script means the interpreter its "#!" line names: one ending in a
// carriage return (a script saved with Windows line ends) is named as such.
std::string whyNotStarted(int folderFd, const std::string& name, int error, const CommandTexts& texts) {
    Fd f(openat(folderFd, name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    char head[256];
    const ssize_t n = error == ENOENT && f ? read(f.fd, head, sizeof head) : 0;
    const std::string_view line(head, n > 0 ? static_cast<std::size_t>(n) : 0);
    if (!line.starts_with("#!")) return errorText(error);
    const std::size_t end = line.find('\n');
    return std::string(end != std::string_view::npos && end > 0 && line[end - 1] == '\r' ? texts.interpreterLineCr
                                                                                       : texts.interpreterMissing);
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

std::string findProgram(int shipFd, std::string_view name) {
    // A plain name only: nothing from another folder, whatever the line says.
    if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\:") != std::string_view::npos) return {};
    const std::string exact(name);
    if (isProgram(shipFd, exact)) return exact;
    for (const Entry& entry : listFolder(shipFd)) {
        if (equalsIgnoringCase(entry.name, name) && isProgram(shipFd, entry.name)) return entry.name;
    }
    return {};
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

bool runProgram(const std::string& shipFolder, int shipFd, const std::string& name, const CommandLine& command,
                const CommandTexts& texts, CommandOutput& output) {
    // By the ship folder's name where it is known; else from the ship folder
    // itself, entered in the new process just before the program starts.
    const std::string path = (shipFolder.empty() ? "." : shipFolder) + "/" + name;
    std::vector<std::string> words;
    if (isWindowsProgram(shipFd, name)) {
        std::string wine = findInPath("wine");
        if (wine.empty()) {
            output.err += fillIn(texts.cannotStart, {name, texts.wineMissing});
            return false;
        }
        words.push_back(std::move(wine));
    }
    words.push_back(path);
    words.insert(words.end(), command.words.begin(), command.words.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    // Like system(): the interpreter ignores Ctrl+C and Ctrl+\ while it waits.
    struct sigaction ignore {}, oldInt{}, oldQuit{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGINT, &ignore, &oldInt);
    sigaction(SIGQUIT, &ignore, &oldQuit);

    // The new process tells through this pipe why the program did not start;
    // the pipe closes unwritten when it did.
    int failure[2] = {-1, -1};
    int cause = pipe2(failure, O_CLOEXEC) == 0 ? 0 : errno;
    const pid_t child = cause == 0 ? fork() : -1;
    if (child == 0) {
        signal(SIGINT, SIG_DFL);
        signal(SIGQUIT, SIG_DFL);
        if (writeSignalsIgnored) {
            sigaction(SIGPIPE, &originalPipe, nullptr);
            sigaction(SIGXFSZ, &originalFileSize, nullptr);
        }
        if (!shipFolder.empty() || fchdir(shipFd) == 0) {
            execv(argv[0], argv.data());
            if (errno == ENOEXEC) {
                // An executable script without a #! line: the shell runs it,
                // as any POSIX shell would.
                argv.insert(argv.begin(), const_cast<char*>("sh"));
                execv("/bin/sh", argv.data());
            }
        }
        const int error = errno;
        (void)!::write(failure[1], &error, sizeof error);
        _exit(127);
    }
    if (child < 0 && cause == 0) cause = errno;
    if (failure[1] >= 0) close(failure[1]);
    if (child > 0) {
        while (read(failure[0], &cause, sizeof cause) < 0 && errno == EINTR) {
        }
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (failure[0] >= 0) close(failure[0]);
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGQUIT, &oldQuit, nullptr);
    if (cause != 0) output.err += fillIn(texts.cannotStart, {name, whyNotStarted(shipFd, name, cause, texts)});
    return cause == 0;
}

}  // namespace tembrel
