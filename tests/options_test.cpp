// The native programs' command-line options: they answer and end, touching
// nothing; any other argument leaves the menu as it is.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "tests/terminal.h"
#include "tests/tree.h"

namespace tembrel::testing {
namespace {

struct Answer {
    std::string out;
    int status;
};

// Runs the program in an empty folder with an empty home and no Wine prefix,
// with `keys` as its input.
Answer runIn(const fs::path& folder, const std::string& command, const std::string& keys = "") {
    const std::string line = "cd '" + folder.string() + "' && printf '" + keys + "' | env -i HOME='" +
                             folder.string() + "' LANG=C.UTF-8 " + command + " 2>&1";
    Answer answer{"", -1};
    FILE* pipe = popen(line.c_str(), "r");
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) answer.out.append(buffer, n);
    answer.status = pclose(pipe);
    return answer;
}

TEST(Options, HelpAndVersionAnswerAndTouchNothing) {
    struct Case {
        const char* program;
        const char* option;
        std::string starts;    // how the answer begins
        std::string contains;  // what else it must say
    };
    const Case cases[] = {
        {TEMBREL_LAUNCH, "--version", "TembrelLaunch 1.002\n", ""},
        {TEMBRELO_START, "--version", "TembreloStart 1.002\n", ""},
        {TEMBREL_LAUNCH, "--help", "Usage: TembrelLaunch", "/.wine/drive_c\n"},
        {TEMBRELO_START, "--help", "Aufruf: TembreloStart", "C:\\Tembrelo l\u00f6schen"},
        // Anything else is no option: the menu shows, and the key given ends it.
        {TEMBREL_LAUNCH, "--other", " \n----", "you want: "},
    };
    char pattern[] = "/tmp/launcher-options-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    for (const Case& c : cases) {
        const Answer answer = runIn(folder, std::string(c.program) + " " + c.option, "3");
        EXPECT_TRUE(WIFEXITED(answer.status) && WEXITSTATUS(answer.status) == 0) << c.option;
        EXPECT_EQ(answer.out.substr(0, c.starts.size()), c.starts) << answer.out;
        EXPECT_NE(answer.out.find(c.contains), std::string::npos) << answer.out;
        EXPECT_TRUE(fs::is_empty(folder)) << c.option << " made something";
    }
    fs::remove_all(folder);
}

// An answer leaves the terminal alone: started in the background it ends,
// and a line typed while it runs reaches the shell after it.
TEST(Options, AnswersLeaveTheTerminalAlone) {
    const std::string program = TEMBREL_LAUNCH;
    const std::vector<std::string> env = {"HOME=/nonexistent", "LANG=C.UTF-8", "PATH=/usr/bin:/bin"};
    Terminal background({"/bin/sh", "-c", "set -m; " + program + " --version & wait $!; echo \"status $?\""}, "/", env);
    EXPECT_TRUE(background.waitFor("status 0")) << background.output();
    Terminal typed({"/bin/sh", "-c", "read -r go; " + program + " --version; read -r line; echo \"got $line\""}, "/", env);
    typed.type("go\rtyped after\r");
    EXPECT_TRUE(typed.waitFor("got typed after")) << typed.output();
}

}  // namespace
}  // namespace tembrel::testing
