// The Windows programs' own file commands under Wine on Unix links, in the
// payload and in the install.

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

INSTANTIATE_TEST_SUITE_P(Editions, FilesUnderWine, ::testing::Values(english, german),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel
