// The native programs' command-line options: they answer and end, touching
// nothing; any other argument is refused, with status 2 and no menu.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>

#include "launcher/launcher.h"
#include "launcher/version.h"
#include "platform/oem.h"
#include "tests/editions.h"
#include "tests/terminal.h"
#include "tests/tree.h"

namespace tembrel::testing {
namespace {

struct Answer {
    std::string out;
    std::string err;
    int status;
};

// Runs the program in an empty folder with an empty home and the environment
// `env`, with `keys` as its input.
Answer runIn(const fs::path& folder, const std::string& command, const std::string& keys, const std::string& env) {
    const std::string errors = folder.string() + ".err";
    const std::string line = "cd '" + folder.string() + "' && printf '" + keys + "' | env -i HOME='" +
                             folder.string() + "' LANG=C.UTF-8 " + env + " " + command + " 2>'" + errors + "'";
    Answer answer{"", "", -1};
    FILE* pipe = popen(line.c_str(), "r");
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) answer.out.append(buffer, n);
    answer.status = pclose(pipe);
    answer.err = readFile(errors);
    fs::remove(errors);
    return answer;
}

TEST(Options, HelpAndVersionAnswerAndTouchNothing) {
    struct Case {
        std::string program;
        std::string option;
        std::string starts;    // how the answer begins
        std::string contains;  // what else it must say
        std::string err = "";  // the whole error output; a refused option gets status 2
        const char* env = "";
    };
    char pattern[] = "/tmp/launcher-options-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    std::vector<Case> cases;
    for (const EditionRow& row : editionRows) {
        const std::string usage(row.edition->usage), version = std::string(row.program) + " " + std::string(launcherVersion) + "\n";
        const std::string usageStart = oemToUtf8(usage.substr(0, usage.find("{}")));
        for (const char* option : {"--version", "-V"}) cases.push_back({row.program, option, version, "\n"});
        for (const char* option : {"--help", "-h"})
            cases.push_back({row.program, option, usageStart, folder.string() + "/.wine/drive_c"});
    }
    // No drive C: one sentence says why, in place of its folder.
    const std::string refused = "wine: invalid directory w in WINEPREFIX: not an absolute path";
    cases.push_back({"TembrelLaunch", "--help", "Usage:",
                     "leave\n\nThere is no drive C, as Wine would not start: \"" + refused + "\"\n", "", "WINEPREFIX=w"});
    cases.push_back({"TembreloStart", "--help", "Aufruf:",
                     "beenden\n\nEs gibt kein Laufwerk C, da Wine so nicht startet: \"" + refused + "\"\n", "",
                     "WINEPREFIX=w"});
    // Anything else is refused, and no menu shows.
    const std::string tryHelp = "\nTry 'TembrelLaunch --help' for more information.\n";
    cases.push_back({"TembrelLaunch", "--hlep", "", "", "TembrelLaunch: unrecognized option '--hlep'" + tryHelp});
    cases.push_back({"TembrelLaunch", "--help=x", "", "", "TembrelLaunch: unrecognized option '--help=x'" + tryHelp});
    cases.push_back({"TembreloStart", "-x", "", "",
                     "TembreloStart: unbekannte Option '-x'\nWeitere Informationen mit 'TembreloStart --help'.\n"});
    for (const Case& c : cases) {
        const Answer answer = runIn(folder, PROGRAMS_DIR "/" + c.program + " " + c.option, "3", c.env);
        EXPECT_TRUE(WIFEXITED(answer.status) && WEXITSTATUS(answer.status) == (c.err.empty() ? 0 : 2)) << c.option;
        EXPECT_EQ(answer.out.substr(0, c.starts.size()), c.starts) << answer.out;
        EXPECT_NE(answer.out.find(c.contains), std::string::npos) << answer.out;
        EXPECT_EQ(answer.err, c.err) << c.option;
        EXPECT_TRUE(c.err.empty() || answer.out.empty()) << answer.out;
        EXPECT_TRUE(fs::is_empty(folder)) << c.option << " made something";
    }
    fs::remove_all(folder);
}

// --help fits an 80-column terminal and names every key the menu takes.
TEST(Options, HelpFitsTheTerminalAndNamesEveryKey) {
    char pattern[] = "/tmp/launcher-help-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    for (const EditionRow& row : editionRows) {
        const std::string help = runIn(folder, PROGRAMS_DIR "/" + std::string(row.program) + " --help", "", "").out;
        std::istringstream lines(help);
        for (std::string line; std::getline(lines, line);)
            EXPECT_LE(std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; }), 80) << line;
        for (int code = 0; code < 256; ++code) {
            if (choiceForKey(code) == MenuChoice::Invalid) continue;
            const auto name = row.keys.find(code);
            ASSERT_NE(name, row.keys.end()) << row.name << "'s row names no key " << code;
            EXPECT_NE(help.find(name->second), std::string::npos) << name->second << " is not in:\n" << help;
        }
    }
    fs::remove_all(folder);
}

// An answer leaves the terminal alone: started in the background it ends,
// and a line typed while it runs reaches the shell after it.
TEST(Options, AnswersLeaveTheTerminalAlone) {
    const std::string program = PROGRAMS_DIR "/" + std::string(editionRows[0].program);
    const std::vector<std::string> env = {"HOME=/nonexistent", "LANG=C.UTF-8", "PATH=/usr/bin:/bin"};
    Terminal background({"/bin/sh", "-c", "set -m; " + program + " --version & wait $!; echo \"status $?\""}, "/", env);
    EXPECT_TRUE(background.waitFor("status 0")) << background.output();
    Terminal typed({"/bin/sh", "-c", "read -r go; " + program + " --version; read -r line; echo \"got $line\""}, "/", env);
    typed.type("go\rtyped after\r");
    EXPECT_TRUE(typed.waitFor("got typed after")) << typed.output();
}

}  // namespace
}  // namespace tembrel::testing
