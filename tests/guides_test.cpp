// The commands a Linux guide gives to keep the saved games over an update,
// run as a user runs them, at one update after another.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/editions.h"
#include "tests/tree.h"

namespace tembrel::testing {
namespace {

// The guide's lines that copy the saves: the last one copies them back, the
// ones before it copy them out.
std::vector<std::string> savesCommands(const std::string& guide) {
    std::vector<std::string> commands;
    std::istringstream lines(guide);
    for (std::string line; std::getline(lines, line);) {
        line.erase(0, line.find_first_not_of(' '));
        if (line.starts_with("mkdir ") || line.starts_with("cp ")) commands.push_back(line);
    }
    return commands;
}

TEST(Guides, LinuxSavesCommandsKeepTheNewestSavesAtEveryUpdate) {
    for (const EditionRow& row : editionRows) {
        const std::vector<std::string> commands =
            savesCommands(readFile(fs::path(SOURCE_DIR) / "editions" / row.source / row.linuxGuide()));
        ASSERT_GE(commands.size(), 2u) << row.linuxGuide();
        char pattern[] = "/tmp/launcher-guide-XXXXXX";
        const fs::path home = mkdtemp(pattern);
        const fs::path saves = home / ".wine/drive_c" / row.folder() / "SAVES";
        const auto run = [&](std::size_t from, std::size_t to) {
            for (std::size_t i = from; i < to; ++i)
                EXPECT_EQ(system(("HOME='" + home.string() + "' sh -c '" + commands[i] + "'").c_str()), 0) << commands[i];
        };
        for (const char* game : {"saved before the first update", "saved before the second"}) {
            writeFile(saves / "GAME.SAV", game);
            run(0, commands.size() - 1);
            fs::remove_all(saves.parent_path());  // uninstalled, and the new version installed
            writeFile(saves / "README.TXT", "the new version's");
            run(commands.size() - 1, commands.size());
            EXPECT_EQ(readFile(saves / "GAME.SAV"), game) << row.linuxGuide();
        }
        fs::remove_all(home);
    }
}

}  // namespace
}  // namespace tembrel::testing
