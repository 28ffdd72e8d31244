// The copy, the deletes and the staging folder, in this process, on a medium
// that answers as each personality does (personalities.h): a ship folder on
// a USB stick or CD, a drive C of FAT32, links, compressed files, a scanner.

#include "platform/staging.h"
#include "platform/windows/host.h"
#include "platform/windows/wine.h"
#include "tests/payload.h"
#include "tests/windows/harness.h"
#include "tests/windows/personalities.h"

namespace tembrel::windows_tests {
namespace {

const Personality personalities[] = {
    {"Fat32", false, true, true}, {"ExFat", false, true, true}, {"Cdfs", false, true, true, true},
    {"Fat32DriveC", true, true, true}, {"Junction", false, true, false, false, true},
    {"JunctionDriveC", true, true, false, false, true}, {"Wof", false, true, false, false, false, true},
    {"Scanner", true, true, false, false, false, false, 300}, {"CaseSensitive", false, false, false, false, false, false, 0, true},
};
class Media : public ::testing::TestWithParam<Personality> {};

// The payload installs whole (links skipped, compressed files with their
// data), or not at all where two names clash; an update copy over it and
// its uninstall leave nothing of it, and nothing outside is touched.
TEST_P(Media, InstallsAndUninstalls) {
    const Personality& p = GetParam();
    const std::wstring top = workFolder() / widen(p.name), payload = top / L"ship\\Tembrel", install = top / L"drive\\Tembrel";
    testing::writePayload(payload, "Tembrel", '\\', writeFile, makeFolders);
    for (const wchar_t* name : {L"link.txt", L"wof.dat", L"\u00c4.txt", L"a.txt"}) writeFile(payload / name, narrow(name));
    makeFolders(payload / L"link");
    writeFile((elsewhere = top / L"outside") / L"keep.txt", "keep");
    auto expected = snapshot(payload);
    if (p.links && !p.driveC) expected.erase(L"link"), expected.erase(L"link.txt");
    const auto kept = snapshot(elsewhere);
    WindowsHost host(testing::editionRows[0].edition->commandTexts, top);
    makeFolders(top / L"drive");
    Playing playing(p, top / (p.driveC ? L"drive" : L"ship"));
    EXPECT_EQ(stagedCopy(narrow(payload), narrow(install), false, host), p.installs);
    EXPECT_EQ(snapshot(install), p.installs ? expected : decltype(expected){});
    host.copyTree(narrow(payload), narrow(install), false);
    const std::string aside = setAside(narrow(install), host);
    host.deleteFiles(aside, false);
    EXPECT_EQ(host.removeTree(aside, false), !(p.links && p.driveC && underWine()));  // Wine removes no link (wine.h)
    EXPECT_FALSE(exists(install));
    EXPECT_EQ(snapshot(elsewhere), kept);
}
INSTANTIATE_TEST_SUITE_P(Personalities, Media, ::testing::ValuesIn(personalities),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel::windows_tests
