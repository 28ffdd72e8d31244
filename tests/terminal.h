// A program run on a pseudo-terminal, keys typed at it and its output read.
#pragma once

#include <termios.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace tembrel::testing {

// Runs a program on a fresh pseudo-terminal, as a person at a terminal would:
// type keys, read what the screen received, check how it ended.
class Terminal {
public:
    // argv[0] is the program's path; `env` is its whole environment.
    Terminal(const std::vector<std::string>& argv, const std::string& folder, const std::vector<std::string>& env);
    ~Terminal();
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    void type(const std::string& keys);
    // Reads until the output holds `text`; false when it does not within the time.
    bool waitFor(const std::string& text, int timeoutMs = 5000);
    // True when the program is still running after `ms` milliseconds.
    bool stillRunningAfter(int ms);
    // Waits for the end and returns the wait status.
    int wait(int timeoutMs = 10000);
    void signal(int sig);

    const std::string& output() const { return output_; }
    // Bytes typed but not read by anyone.
    int unreadInput() const;
    // The terminal settings now, and those the terminal had before the program started.
    struct termios settings() const;
    const struct termios& initialSettings() const { return initial_; }
    // Changes the settings, as a shell does when it takes the terminal back.
    void setSettings(const struct termios& settings) { tcsetattr(slave_, TCSANOW, &settings); }

private:
    void readAvailable(int timeoutMs);

    int master_ = -1;
    int slave_ = -1;  // kept open so the settings can be read after the program ends
    pid_t pid_ = -1;
    bool ended_ = false;
    int status_ = 0;
    std::string output_;
    struct termios initial_ {};
};

// Runs a program with the given bytes as its standard input (a pipe, not a
// terminal) and returns its wait status; its standard output and error are kept.
struct PipedRun {
    int status = -1;
    std::string out;
    std::string err;
};
// How the program's surroundings are made unusual.
struct PipedOptions {
    std::string prelude;            // shell commands run first in the program's process (ulimit, umask)
    bool closedOutput = false;      // standard output is a pipe nobody reads: its reader is gone
    bool nonBlockingInput = false;  // standard input is left non-blocking
    int inputDelayMs = 0;           // the keys arrive only after this long
    bool noStatx = false;           // statx fails with ENOSYS, as on kernels before 4.11
};
PipedRun runPiped(const std::string& program, const std::string& folder, const std::vector<std::string>& env,
                  const std::string& input, const PipedOptions& options = {});

bool sameSettings(const struct termios& a, const struct termios& b);

}  // namespace tembrel::testing
