// The Windows programs' own file commands under Wine on Unix links, in the
// payload and in the install.

#include <signal.h>

#include "tests/wine_harness.h"

namespace tembrel {
namespace {

class FilesUnderWine : public UnderWine {};

// Each link is skipped and named, the rest is installed, and nothing outside
// is copied or, at the uninstall, touched. Wine shows a Unix link to a file as
// a plain file: it is found all the same.
TEST_P(FilesUnderWine, LinksInThePayloadAreSkippedAndNamed) {
    const fs::path payload = ship_ / folder();
    struct Link {
        const char* path;
        fs::path target;
        const char* shown;
    };
    const Link links[] = {{"dot", ".", "Z:dot"}, {"out", outside(), "Z:out"},
                          {"sub/file", outside() / "keep.txt", "Z:sub\\file"}};
    for (const Link& link : links) fs::create_symlink(link.target, payload / link.path);
    auto expected = snapshot(payload, false);
    std::erase_if(expected, [](const auto& entry) { return entry.second.starts_with("link "); });
    const auto kept = snapshot(outside());

    const std::string shown = runWith("1");
    for (const Link& link : links) EXPECT_NE(shown.find(link.shown), std::string::npos) << shown;
    EXPECT_EQ(snapshot(install(), false), expected);
    runWith("2", GetParam().success);
    EXPECT_EQ(snapshot(outside()), kept);
}

// Wine deletes what a Unix link leads to instead of the link: the uninstall
// leaves the link, and so the file outside, and says that it failed.
TEST_P(FilesUnderWine, AFileLinkInTheInstallNeverCostsItsTarget) {
    writeFile(install() / "QBASIC.EXE", "q");
    fs::create_symlink(outside() / "keep.txt", install() / "save.dat");
    runWith("2", GetParam().failed);
    EXPECT_EQ(readFile(outside() / "keep.txt"), "keep");
}

// A first copy killed half-way leaves no install, the next start removes its
// staging folder and installs whole; two first launches at once make one
// whole install and leave no staging folder.
TEST_P(FilesUnderWine, AFirstInstallIsWholeOrAbsent) {
    for (int i = 0; i < 400; ++i) writeFile(ship_ / folder() / "many" / std::to_string(i), std::string(4096, 'x'));
    const auto staging = [&] {
        int found = 0;
        for (const auto& e : fs::directory_iterator(WinePrefix::driveC()))
            found += e.path().filename().string().starts_with("." + folder() + ".partial-");
        return found;
    };
    {
        Terminal t(argv(), ship_.string(), WinePrefix::env());
        ASSERT_TRUE(t.waitFor(GetParam().prompt, slowMachineMs)) << t.output();
        t.stillRunningAfter(500);
        t.type("1");
        while (staging() == 0 && t.stillRunningAfter(1)) {
        }
        t.signal(SIGKILL);
        t.wait(slowMachineMs);
    }
    EXPECT_FALSE(fs::exists(install()));
    runWith("1");
    EXPECT_EQ(staging(), 0);
    EXPECT_EQ(snapshot(install(), false), snapshot(ship_ / folder(), false));
    fs::remove_all(install());
    {
        Terminal first(argv(), ship_.string(), WinePrefix::env()), second(argv(), ship_.string(), WinePrefix::env());
        ASSERT_TRUE(first.waitFor(GetParam().prompt, slowMachineMs) && second.waitFor(GetParam().prompt, slowMachineMs));
        first.stillRunningAfter(500);
        first.type("1");
        second.type("1");
        EXPECT_TRUE(WIFEXITED(first.wait(slowMachineMs)) && WIFEXITED(second.wait(slowMachineMs)));
    }
    EXPECT_EQ(staging(), 0);
    EXPECT_EQ(snapshot(install(), false), snapshot(ship_ / folder(), false));
}

INSTANTIATE_TEST_SUITE_P(Editions, FilesUnderWine, ::testing::ValuesIn(wineCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel
