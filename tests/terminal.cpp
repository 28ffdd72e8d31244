// A program run on a pseudo-terminal, keys typed at it and its output read.

#include "tests/terminal.h"

#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace tembrel::testing {

namespace {

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (std::string& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

[[noreturn]] void execIn(std::vector<std::string> argv, const std::string& folder, std::vector<std::string> env) {
    if (chdir(folder.c_str()) != 0) _exit(126);
    signal(SIGPIPE, SIG_DFL);  // as a shell would start it, whatever the test ignores
    execve(argv[0].c_str(), pointers(argv).data(), pointers(env).data());
    _exit(127);
}

long long nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

bool sameSettings(const struct termios& a, const struct termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
           std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

Terminal::Terminal(const std::vector<std::string>& argv, const std::string& folder,
                   const std::vector<std::string>& env) {
    // Start from the settings of a fresh terminal: echo and line editing on.
    int m, s;
    if (openpty(&m, &s, nullptr, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
    tcgetattr(s, &initial_);
    close(m);
    close(s);
    struct winsize size = {25, 80, 0, 0};
    pid_ = forkpty(&master_, nullptr, &initial_, &size);
    if (pid_ < 0) throw std::runtime_error("forkpty");
    if (pid_ == 0) execIn(argv, folder, env);
    slave_ = open(ptsname(master_), O_RDWR | O_NOCTTY);
}

Terminal::~Terminal() {
    if (!ended_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (slave_ >= 0) close(slave_);
    close(master_);
}

void Terminal::type(const std::string& keys) {
    if (::write(master_, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size()))
        throw std::runtime_error("type");
}

void Terminal::readAvailable(int timeoutMs) {
    struct pollfd p = {master_, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) return;
    char buffer[4096];
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n > 0) output_.append(buffer, static_cast<std::size_t>(n));
}

bool Terminal::waitFor(const std::string& text, int timeoutMs) {
    const long long end = nowMs() + timeoutMs;
    while (output_.find(text) == std::string::npos) {
        const long long left = end - nowMs();
        if (left <= 0) return false;
        readAvailable(static_cast<int>(std::min(left, 50LL)));
    }
    return true;
}

bool Terminal::stillRunningAfter(int ms) {
    const long long end = nowMs() + ms;
    while (nowMs() < end) {
        readAvailable(10);
        if (!ended_ && waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
        if (ended_) return false;
    }
    return true;
}

int Terminal::wait(int timeoutMs) {
    const long long end = nowMs() + timeoutMs;
    while (!ended_ && nowMs() < end) {
        readAvailable(10);
        if (waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
    }
    if (!ended_) throw std::runtime_error("the program did not end");
    readAvailable(10);
    return status_;
}

void Terminal::signal(int sig) { kill(pid_, sig); }

int Terminal::unreadInput() const {
    struct termios now = settings(), raw = now;  // counted out of line editing: a line not ended counts too
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON);
    tcsetattr(slave_, TCSANOW, &raw);
    int n = -1;
    ioctl(slave_, FIONREAD, &n);
    tcsetattr(slave_, TCSANOW, &now);
    return n;
}

struct termios Terminal::settings() const {
    struct termios now {};
    tcgetattr(slave_, &now);
    return now;
}

PipedRun runPiped(const std::string& program, const std::string& folder, const std::vector<std::string>& env,
                  const std::string& input, const PipedOptions& options) {
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe");
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
        if (options.closedOutput) {
            int gone[2];
            if (pipe(gone) != 0) _exit(126);
            close(gone[0]);
            dup2(gone[1], 1);
            close(gone[1]);
        }
        if (options.nonBlockingInput) fcntl(0, F_SETFL, fcntl(0, F_GETFL) | O_NONBLOCK);
        if (options.noStatx) {
            struct sock_filter filter[] = {
                BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
                BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_statx, 0, 1),
                BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS),
                BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
            };
            struct sock_fprog program = {sizeof filter / sizeof filter[0], filter};
            if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
                _exit(126);
        }
        if (options.prelude.empty()) execIn({program}, folder, env);
        execIn({"/bin/sh", "-c", options.prelude + "; exec \"$0\"", program}, folder, env);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (options.inputDelayMs > 0) usleep(static_cast<useconds_t>(options.inputDelayMs) * 1000);
    // A program that ends before reading its keys must not end the test too.
    signal(SIGPIPE, SIG_IGN);
    if (!input.empty() && ::write(in[1], input.data(), input.size()) < 0 && errno != EPIPE)
        throw std::runtime_error("write");
    close(in[1]);
    PipedRun run;
    struct pollfd p[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        // As long as it takes: a deep tree may be walked a while before a line shows.
        if (poll(p, 2, -1) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (p[i].fd < 0 || p[i].revents == 0) continue;
            char buffer[65536];
            const ssize_t n = read(p[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(p[i].fd);
                p[i].fd = -1;
                --open;
            } else {
                (i == 0 ? run.out : run.err).append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    waitpid(pid, &run.status, 0);
    return run;
}

}  // namespace tembrel::testing
