// The Windows programs under Wine on setups found in the wild: links in the
// install folder, a ship folder on a network share, a start from another
// folder, a file standing at the install path.

#include "tests/wine_harness.h"

namespace tembrel {
namespace {

class InTheWild : public UnderWine {
protected:
    // Outside drive C's install folder: what a link points to, and must keep.
    fs::path outside() const { return WinePrefix::root / "outside"; }
    void SetUp() override {
        UnderWine::SetUp();
        fs::remove_all(outside());
        writeFile(outside() / "keep.txt", "keep");
        writeFile(outside() / "sub" / "keep.bin", "keep");
    }
};

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

INSTANTIATE_TEST_SUITE_P(Editions, InTheWild, ::testing::Values(english, german),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel
