// Command lines split as the interpreter splits them, and DOS wildcards.

#include <gtest/gtest.h>

#include "platform/command_line.h"

namespace tembrel {
namespace {

struct ParseCase {
    const char* line;
    const char* name;
    std::vector<std::string> args;
    const char* switches;
    bool toNul;
};

TEST(ParseCommandLine, Table) {
    const ParseCase cases[] = {
        {"cls", "cls", {}, "", false},
        {"pause>nul", "pause", {}, "", true},
        {"pause > NUL", "pause", {}, "", true},
        {"xcopy *.* C:\\Tembrel /e /h /i", "xcopy", {"*.*", "C:\\Tembrel"}, "ehi", false},
        {"del c:\\Tembrel\\*.* /s /q", "del", {"c:\\Tembrel\\*.*"}, "sq", false},
        {"rd c:\\Tembrel /s /q", "rd", {"c:\\Tembrel"}, "sq", false},
        {"DELTREE /Y C:\\TEMBREL", "DELTREE", {"C:\\TEMBREL"}, "y", false},
        {"rd \"c:\\My Folder\" /S/Q", "rd", {"c:\\My Folder"}, "sq", false},
        {"rd c:\\x/s", "rd", {"c:\\x"}, "s", false},
        {"  dosboxportable.exe  ", "dosboxportable.exe", {}, "", false},
        {"", "", {}, "", false},
    };
    for (const ParseCase& c : cases) {
        const CommandLine parsed = parseCommandLine(c.line);
        EXPECT_EQ(parsed.name, c.name) << c.line;
        EXPECT_EQ(parsed.args, c.args) << c.line;
        EXPECT_EQ(parsed.switches, c.switches) << c.line;
        EXPECT_EQ(parsed.outputToNul, c.toNul) << c.line;
    }
}

}  // namespace
}  // namespace tembrel
