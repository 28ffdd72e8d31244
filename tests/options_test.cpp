// The native programs' command-line options: they answer and end, touching
// nothing; any other argument leaves the menu as it is.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "launcher/launcher.h"
#include "launcher/version.h"
#include "platform/oem.h"
#include "tests/editions.h"
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
    char pattern[] = "/tmp/launcher-options-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    for (const EditionRow& row : editionRows) {
        const std::string usage(row.edition->usage);
        struct Case {
            const char* option;
            std::string starts;    // how the answer begins
            std::string contains;  // what else it must say
        };
        const Case cases[] = {
            {"--version", std::string(row.program) + " " + std::string(launcherVersion) + "\n", "\n"},
            {"--help", oemToUtf8(usage.substr(0, usage.find("{}"))), folder.string() + "/.wine/drive_c"},
            // Anything else is no option: the menu shows, and the key given ends it.
            {"--other", oemToUtf8(textBytes(row.edition->menuScreen.front())), row.prompt},
        };
        for (const Case& c : cases) {
            const Answer answer = runIn(folder, PROGRAMS_DIR "/" + std::string(row.program) + " " + c.option, "3");
            EXPECT_TRUE(WIFEXITED(answer.status) && WEXITSTATUS(answer.status) == 0) << c.option;
            EXPECT_EQ(answer.out.substr(0, c.starts.size()), c.starts) << answer.out;
            EXPECT_NE(answer.out.find(c.contains, c.starts.size() - 1), std::string::npos) << answer.out;
            EXPECT_TRUE(fs::is_empty(folder)) << c.option << " made something";
        }
    }
    fs::remove_all(folder);
}

}  // namespace
}  // namespace tembrel::testing
