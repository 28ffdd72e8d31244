// The Windows programs under Wine on setups found in the wild that need a
// Unix side: Unix links at and in the install folder, a ship folder on a
// network share, a console of the program's own.

#include <cstdlib>

#include "tests/wine_harness.h"

namespace tembrel {
namespace {

class InTheWild : public UnderWine {};

// Wine cannot remove a Unix link to a folder, so the uninstall must stop short
// of every delete command and say that it failed.
TEST_P(InTheWild, UninstallNeverDeletesThroughAFolderLink) {
    struct Case {
        const char* what;
        fs::path link;
    };
    for (const Case& c : {Case{"at the install path", install()}, Case{"inside", install() / "sub" / "link"}}) {
        fs::remove_all(install());
        if (c.link != install()) writeFile(install() / "sub" / "QBASIC.EXE", "q");
        fs::create_directory_symlink(outside(), c.link);
        const auto kept = snapshot(outside());
        const std::string shown = runWith("2", GetParam().failed);
        EXPECT_EQ(snapshot(outside()), kept) << c.what;
        EXPECT_EQ(shown.find(GetParam().success), std::string::npos) << c.what;
    }
}

// Where drive C takes no new folder (as a locked-down school computer's),
// the copy says why in Windows' own words. The tests run as root, whom only
// an immutable folder stops.
TEST_P(InTheWild, ADriveCThatTakesNoFolderShowsWhy) {
    const std::string lock = "chattr +i '" + WinePrefix::driveC().string() + "' 2>/dev/null";
    if (std::system(lock.c_str()) != 0) GTEST_SKIP() << "drive C cannot be made immutable here";
    const std::string shown = runWith("1", GetParam().notInstalled());
    std::system(("chattr -i '" + WinePrefix::driveC().string() + "'").c_str());
    EXPECT_NE(shown.find("ccess denied"), std::string::npos) << shown;
}

// With its input at an end (no key can ever come), the program ends as on
// Esc rather than wait for ever.
TEST_P(InTheWild, InputAtItsEndEndsTheProgram) {
    std::string command = "cd '" + ship_.string() + "' && env";
    for (const std::string& variable : WinePrefix::env()) command += " '" + variable + "'";
    command += " timeout 200 " WINE " " + exe() + " </dev/null >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_FALSE(fs::exists(install()));
}

// Started by its share name, the program works in the share folder itself.
TEST_P(InTheWild, AShipFolderOnANetworkShareInstallsThePayload) {
    const fs::path unc = WinePrefix::root / "prefix" / "dosdevices" / "unc" / "server";
    fs::create_directories(unc);
    fs::remove(unc / "share");
    fs::create_directory_symlink(WinePrefix::root, unc / "share");
    runAt({WINE, "\\\\server\\share\\ship\\" + exe()}, WinePrefix::root, "1");
    EXPECT_EQ(snapshot(install(), false), snapshot(ship_ / folder(), false));
    EXPECT_TRUE(equalsIgnoringCase(started(), "\\\\server\\share\\ship\n")) << started();
}

// An install folder that is the payload, through a Unix link, is the only
// copy of what an uninstall would delete: it stays, and the uninstall says so.
TEST_P(InTheWild, AnInstallFolderLinkedToThePayloadStays) {
    const auto kept = snapshot(ship_ / folder());
    fs::create_directory_symlink(ship_ / folder(), install());
    runWith("2", GetParam().failed);
    EXPECT_EQ(snapshot(ship_ / folder()), kept);
    fs::remove(install());
}

// A message that the emulator did not start stays until a key is pressed
// where the launcher has its console to itself: under Wine, a program started
// from a terminal gets a console of its own, as a double-clicked one does on
// Windows.
TEST_P(InTheWild, WhyTheEmulatorDidNotStartStaysReadable) {
    fs::remove(ship_ / "dosboxportable.exe");
    const std::string pause = oemToUtf8(GetParam().edition->commandTexts.pressAnyKey);
    EXPECT_NE(runWith("1", pause.substr(0, pause.find_last_not_of(' ') + 1)).find(GetParam().notRecognized),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Editions, InTheWild, ::testing::ValuesIn(consoleRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel
