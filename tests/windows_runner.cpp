// Runs windows_tests.exe under Wine in a fresh prefix, on a pseudo-terminal:
// Wine gives a program a console with screen buffers only on a terminal.
// The tests' own output goes straight to this program's output; their
// status is this program's. Arguments are passed on (--gtest_filter=...).

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/terminal.h"
#include "tests/wine_prefix.h"

namespace fs = std::filesystem;
using namespace tembrel::testing;

int main(int argc, char** argv) {
    char pattern[] = "/tmp/launcher-windows-tests-XXXXXX";
    const char* root = mkdtemp(pattern);
    if (root == nullptr) {
        perror("mkdtemp");
        return 1;
    }
    const WinePrefixSetup prefix{fs::path(root)};
    std::string failed;
    for (const char* name : {"windows_tests.exe", "stand_in_logger.exe", "dosboxportable.exe"})
        if (!fs::exists(fs::path(WINE_PROGRAMS_DIR) / name))
            failed = WINE_PROGRAMS_DIR "/" + std::string(name) + " is missing: build the Windows programs with their tests";
    if (failed.empty()) failed = prefix.make(WINE_PROGRAMS_DIR "/stand_in_logger.exe");
    int status = 1;
    if (!failed.empty()) {
        std::fprintf(stderr, "%s\n", failed.c_str());
    } else {
        std::printf("%s\nwindows_tests.exe from there, under %s in a %s prefix\n",
                    WinePrefixSetup::programsUnderTest().c_str(), WINE_LOADER, WINE_ARCH);
        std::fflush(stdout);
        // The terminal stands for standard input only; the tests write to
        // this program's output, which the shell gets as a spare descriptor
        // and closes for the program itself.
        const int out = dup(STDOUT_FILENO);
        const std::string to = std::to_string(out);
        std::vector<std::string> command = {"/bin/sh", "-c",
                                            "exec \"$0\" \"$@\" >&" + to + " 2>&" + to + " " + to + ">&-",
                                            WINE_LOADER, WINE_PROGRAMS_DIR "/windows_tests.exe"};
        for (int i = 1; i < argc; ++i) command.push_back(argv[i]);
        try {
            Terminal t(command, WINE_PROGRAMS_DIR, prefix.env());
            close(out);
            const int ended = t.wait(60 * 60 * 1000);
            status = WIFEXITED(ended) ? WEXITSTATUS(ended) : 1;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "windows_tests.exe: %s\n", e.what());
        }
    }
    prefix.end();
    return status;
}
