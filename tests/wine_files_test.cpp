// The Windows programs' own file commands under Wine: links in the payload
// and in the install, paths past Windows' old length limit, a file that
// another program holds open.

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

TEST_P(FilesUnderWine, APayloadPathOver300CharactersInstallsAndUninstalls) {
    fs::path deep = ship_ / folder();
    while (deep.string().size() < ship_.string().size() + 310) deep /= "a folder with a long name";
    writeFile(deep / "deep.txt", "deep");
    runWith("1");
    EXPECT_EQ(snapshot(install(), false), snapshot(ship_ / folder(), false));
    runWith("2", GetParam().success);
    EXPECT_FALSE(fs::exists(install()));
}

// Wine deletes what a Unix link leads to instead of the link: the uninstall
// leaves the link, and so the file outside, and says that it failed.
TEST_P(FilesUnderWine, AFileLinkInTheInstallNeverCostsItsTarget) {
    writeFile(install() / "QBASIC.EXE", "q");
    fs::create_symlink(outside() / "keep.txt", install() / "save.dat");
    runWith("2", GetParam().failed);
    EXPECT_EQ(readFile(outside() / "keep.txt"), "keep");
}

// A file held open with no sharing, by a Windows program (as a program using
// it, or an antivirus scanning it, holds it), until the holder ends.
struct HeldFile {
    fs::path signals = WinePrefix::root / "signals";
    std::unique_ptr<Terminal> holder;

    explicit HeldFile(const std::string& windowsPath) {
        fs::remove_all(signals);
        fs::create_directories(signals);
        holder = std::make_unique<Terminal>(std::vector<std::string>{WINE, FILE_HOLDER, windowsPath, windowsName(signals)},
                                            WinePrefix::root.string(), WinePrefix::env());
        for (int waited = 0; waited < 300 && !fs::exists(signals / "held"); ++waited) holder->stillRunningAfter(100);
        EXPECT_TRUE(fs::exists(signals / "held"));
    }
    ~HeldFile() {
        writeFile(signals / "release", "");
        holder->wait(30000);
    }
};

// A held file in the install fails the uninstall; once it is let go, the
// uninstall succeeds.
TEST_P(FilesUnderWine, AHeldFileFailsTheUninstallUntilItIsReleased) {
    writeFile(install() / "sub" / "held.dat", "held");
    {
        HeldFile held("C:\\" + folder() + "\\sub\\held.dat");
        runWith("2", GetParam().failed);
        EXPECT_EQ(readFile(install() / "sub" / "held.dat"), "held");
    }
    runWith("2", GetParam().success);
    EXPECT_FALSE(fs::exists(install()));
}

// A held file in the payload makes the copy incomplete: no install is left
// behind to be taken for a whole one, the emulator still starts, and once the
// file is let go "1" installs.
TEST_P(FilesUnderWine, AnIncompleteCopyLeavesNoInstall) {
    {
        HeldFile held(windowsName(ship_ / folder() / "QBASIC.EXE"));
        const std::string shown = runWith("1");
        EXPECT_FALSE(fs::exists(install())) << shown;
        const std::string log = started();
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    }
    runWith("1");
    EXPECT_EQ(snapshot(install(), false), snapshot(ship_ / folder(), false));
}

INSTANTIATE_TEST_SUITE_P(Editions, FilesUnderWine, ::testing::ValuesIn(wineCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel
