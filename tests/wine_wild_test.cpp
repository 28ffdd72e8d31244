// The Windows programs under Wine on setups found in the wild: links in the
// install folder, a ship folder on a network share, a start from another
// folder, a file standing at the install path.

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

// Started by its share name, the program works in the share folder itself.
TEST_P(InTheWild, AShipFolderOnANetworkShareInstallsThePayload) {
    const fs::path unc = WinePrefix::root / "prefix" / "dosdevices" / "unc" / "server";
    fs::create_directories(unc);
    fs::remove(unc / "share");
    fs::create_directory_symlink(WinePrefix::root, unc / "share");
    runAt({WINE, "\\\\server\\share\\ship\\" + GetParam().exe}, WinePrefix::root, "1");
    EXPECT_EQ(snapshot(install(), false), snapshot(ship_ / folder(), false));
    EXPECT_TRUE(equalsIgnoringCase(started(), "\\\\server\\share\\ship\n")) << started();
}

// From a prompt in another folder, the program still takes the payload and
// the emulator beside it, not a same-named folder where it was started.
TEST_P(InTheWild, StartedFromAnotherFolderUsesItsOwnFolder) {
    const fs::path elsewhere = WinePrefix::root / "elsewhere";
    fs::remove_all(elsewhere);
    writeFile(elsewhere / folder() / "DECOY.TXT", "decoy");
    runAt({WINE, (ship_ / GetParam().exe).string()}, elsewhere, "1");
    EXPECT_EQ(snapshot(install(), false), snapshot(ship_ / folder(), false));
    EXPECT_TRUE(equalsIgnoringCase(started(), windowsName(ship_) + "\n")) << started();
}

TEST_P(InTheWild, AFileAtTheInstallPathIsLeftAlone) {
    writeFile(install(), "the user's own file");
    const std::string shown = runWith("1");
    EXPECT_EQ(readFile(install()), "the user's own file");
    EXPECT_EQ(shown.find("Overwrite"), std::string::npos) << shown;
    EXPECT_TRUE(equalsIgnoringCase(started(), windowsName(ship_) + "\n")) << started();
}

// An install folder that is the payload or holds the ship folder is the only
// copy of what an uninstall would delete: it stays, and the uninstall says so.
TEST_P(InTheWild, AnInstallFolderHoldingThePayloadStays) {
    const fs::path inside = install() / "ship";
    fs::create_directories(install());
    fs::copy(ship_, inside, fs::copy_options::recursive);
    const auto kept = snapshot(ship_ / folder());
    runAt({WINE, GetParam().exe}, inside, "2", GetParam().failed);
    EXPECT_EQ(snapshot(inside / folder()), kept);
    fs::remove_all(install());
    fs::create_directory_symlink(ship_ / folder(), install());
    runWith("2", GetParam().failed);
    EXPECT_EQ(snapshot(ship_ / folder()), kept);
    fs::remove(install());
}

// A message that the emulator did not start stays until a key is pressed
// where the launcher has its console to itself: under Wine, a program started
// from a terminal gets a console of its own, as a double-clicked one does on
// Windows. Started from a prompt, which shares the console, it ends at once.
// An emulator whose path is too long for Windows to start names the path.
TEST_P(InTheWild, WhyTheEmulatorDidNotStartCanBeRead) {
    fs::remove(ship_ / "dosboxportable.exe");
    EXPECT_NE(runWith("1", ". . .").find(GetParam().notRecognized), std::string::npos);
    EXPECT_NE(runAt({WINE, "cmd", "/c", GetParam().exe}, ship_, "1").find(GetParam().notRecognized),
              std::string::npos);

    // "Z:" and the folder's name, then "\dosboxportable.exe": 265 characters.
    const fs::path deep = WinePrefix::root / std::string(244 - WinePrefix::root.string().size(), 'd');
    fs::remove_all(deep);
    fs::copy(ship_, deep, fs::copy_options::recursive);
    fs::copy_file(STAND_IN_EMULATOR, deep / "dosboxportable.exe");
    EXPECT_NE(runAt({WINE, GetParam().exe}, deep, "1", ". . .").find(GetParam().tooLong), std::string::npos);
    EXPECT_EQ(started(), "");
    fs::remove_all(deep);
}

INSTANTIATE_TEST_SUITE_P(Editions, InTheWild, ::testing::ValuesIn(wineCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel
