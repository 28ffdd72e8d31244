// Raw mode on the terminal for each key read, and the terminal's own
// settings back after it, at exit, while the program is stopped, and when a
// signal ends it.

#include "platform/posix/terminal.h"

#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <initializer_list>

namespace tembrel {

namespace {

// The terminal settings found at the first key read. They are put back after
// every read, at exit, while the program is stopped, and when a signal ends
// the program during a read.
struct termios savedTerminal;
struct termios rawTerminal;
bool terminalSaved = false;
volatile sig_atomic_t terminalRaw = 0;  // a read is under way

void restoreAndDie(int signal) {
    restoreTerminal();
    // The handler was reset to the default on entry: dying of the signal
    // tells the parent the truth about how the program ended.
    raise(signal);
}

// On resume (SIGCONT): whoever had the terminal meanwhile may have changed
// it, so raw mode goes back on if a read is under way.
void resumeRawMode(int) {
    const int error = errno;
    if (terminalRaw) tcsetattr(STDIN_FILENO, TCSANOW, &rawTerminal);
    errno = error;
}

// On a stop request (SIGTSTP, from job control): the terminal goes back to
// its settings while the program is stopped, and raw mode comes back on resume.
void stopWithTerminalRestored(int signal) {
    const int error = errno;
    if (terminalRaw) tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    struct sigaction stop {}, handler {};
    stop.sa_handler = SIG_DFL;
    sigemptyset(&stop.sa_mask);
    sigaction(signal, &stop, &handler);
    // The signal is blocked while its handler runs: raised now, it stops the
    // program the moment it is unblocked.
    raise(signal);
    sigset_t set, old;
    sigemptyset(&set);
    sigaddset(&set, signal);
    sigprocmask(SIG_UNBLOCK, &set, &old);
    sigprocmask(SIG_SETMASK, &old, nullptr);
    sigaction(signal, &handler, nullptr);
    resumeRawMode(SIGCONT);
    errno = error;
}

void handle(int signal, void (*handler)(int), int flags) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

void saveTerminalOnce() {
    if (terminalSaved) return;
    terminalSaved = true;
    tcgetattr(STDIN_FILENO, &savedTerminal);
    rawTerminal = savedTerminal;
    // No echo, no line editing, no signal keys (Ctrl+C is a key as on
    // Windows), Enter arrives as 13. Output processing stays on so that a
    // line feed still starts a new line.
    rawTerminal.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    rawTerminal.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON | ISTRIP);
    rawTerminal.c_cc[VMIN] = 1;
    rawTerminal.c_cc[VTIME] = 0;
    std::atexit(restoreTerminal);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) handle(signal, restoreAndDie, SA_RESETHAND | SA_NODEFER);
    handle(SIGTSTP, stopWithTerminalRestored, SA_RESTART);
    handle(SIGCONT, resumeRawMode, SA_RESTART);
}

}  // namespace

void enterRawMode() {
    saveTerminalOnce();
    terminalRaw = 1;
    tcsetattr(STDIN_FILENO, TCSANOW, &rawTerminal);
}

void restoreTerminal() {
    if (terminalRaw) {
        tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
        terminalRaw = 0;
    }
}

void discardUnreadKeys() {
    if (isatty(STDIN_FILENO)) tcflush(STDIN_FILENO, TCIFLUSH);
}

int terminalEraseChar() {
    const cc_t erase = savedTerminal.c_cc[VERASE];
    return erase == _POSIX_VDISABLE ? 127 : erase;
}

bool waitUntilReady(int fd, short events, int waitMs) {
    struct pollfd p = {fd, events, 0};
    int ready;
    while ((ready = poll(&p, 1, waitMs)) < 0 && errno == EINTR) {
    }
    return ready > 0;
}

bool writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitUntilReady(fd, POLLOUT, -1)) continue;
        if (n <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace tembrel
