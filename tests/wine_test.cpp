// The Windows programs on their real platform: each .exe runs under Wine on a
// pseudo-terminal, on a Wine drive C.

#include "tests/wine_harness.h"

namespace tembrel {
namespace {

TEST_P(UnderWine, ShowsTheMenuAndEndsOnThree) { runWith("3"); }

TEST_P(UnderWine, AnInvalidKeyShowsTheNotice) {
    for (const char* key : {"4", "\x1b[A"}) runWith(key, GetParam().notice);
}

TEST_P(UnderWine, FirstLaunchInstallsThePayloadThenLaterLaunchesCopyNothing) {
    runWith("1");
    // Wine marks .EXE files executable: compare contents, not modes.
    EXPECT_EQ(snapshot(install(), false), snapshot(ship_ / folder(), false));
    EXPECT_TRUE(equalsIgnoringCase(started(), windowsName(ship_) + "\n")) << started();

    const auto installed = snapshot(install());
    writeFile(ship_ / folder() / "new.txt", "new");
    runWith("1");
    EXPECT_EQ(snapshot(install()), installed);
    const std::string log = started();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
}

TEST_P(UnderWine, UninstallRemovesTheInstallFolderOnly) {
    writeFile(install() / "QBASIC.EXE", "q");
    writeFile(install() / "sub" / "data.bin", "d");
    writeFile(WinePrefix::driveC() / "Games" / folder() / folder(), "decoy");
    writeFile(WinePrefix::driveC() / "Games" / folder() / "save.dat", "decoy");
    const auto decoys = snapshot(WinePrefix::driveC() / "Games");
    runWith("2", GetParam().success);
    EXPECT_FALSE(fs::exists(install()));
    EXPECT_EQ(snapshot(WinePrefix::driveC() / "Games"), decoys);
    EXPECT_EQ(runWith("\x7f", GetParam().notFound).find(GetParam().success), std::string::npos);
}

// Commands of the same names as the ones the launcher carries out itself, in
// the payload and on drive C, where a command interpreter would look first.
TEST_P(UnderWine, PlantedCommandsNeverRun) {
    const std::string batch = "@echo %0>>C:\\unexpected.txt\r\n";
    writeFile(ship_ / folder() / "XCOPY.BAT", batch);
    fs::copy_file(STAND_IN_LOGGER, ship_ / folder() / "XCOPY.EXE");
    writeFile(WinePrefix::driveC() / "DELTREE.BAT", batch);
    runWith("1");
    EXPECT_EQ(snapshot(install(), false), snapshot(ship_ / folder(), false));
    runWith("2", GetParam().success);
    EXPECT_FALSE(fs::exists(install()));
}

TEST_P(UnderWine, TextsShowTheirLettersOnAUtf8Terminal) {
    const std::string out = runWith("3");
    if (GetParam().name == std::string("German")) {
        for (const char* word : {"gel\u00f6scht", "dr\u00fccken", "gedr\u00fcckt", "\u00fcblich", "gew\u00fcnschte"})
            EXPECT_NE(out.find(word), std::string::npos) << word;
    }
    EXPECT_EQ(out.find('\x81'), std::string::npos);
    EXPECT_EQ(out.find('\x94'), std::string::npos);
}

// Output redirected to a file gets the OEM bytes themselves, with CR LF line ends.
TEST_P(UnderWine, RedirectedOutputKeepsTheOemBytes) {
    std::string expected;
    for (char c : screenText(GetParam().edition->menuScreen)) {
        if (c == '\n') expected += '\r';
        expected += c;
    }
    const fs::path out = WinePrefix::root / "menu.out";
    fs::remove(out);
    Terminal t({"/bin/sh", "-c", "exec \"$0\" \"$1\" > \"$2\"", WINE, GetParam().exe, out.string()}, ship_.string(),
               WinePrefix::env());
    for (int waited = 0; waited < 300 && readFile(out).size() < expected.size(); ++waited) t.stillRunningAfter(100);
    t.stillRunningAfter(500);
    t.type("3");
    const int status = t.wait(60000);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(readFile(out), expected);
}

INSTANTIATE_TEST_SUITE_P(Editions, UnderWine, ::testing::ValuesIn(wineCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new tembrel::WinePrefix);
    return RUN_ALL_TESTS();
}
