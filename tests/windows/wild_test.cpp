// The programs on setups found in the wild: a start from another folder, a
// file or the ship folder at the install path, an emulator that cannot start.

#include "tests/windows/harness.h"

namespace tembrel::windows_tests {
namespace {

class InTheWild : public OnWindows {};

// From a prompt in another folder, the program still takes the payload and
// the emulator beside it, not a same-named folder where it was started.
TEST_P(InTheWild, StartedFromAnotherFolderUsesItsOwnFolder) {
    const std::wstring elsewhere = workFolder() / L"elsewhere";
    writeFile(elsewhere / folder() / L"DECOY.TXT", "decoy");
    runAt(ship_ / exe(), elsewhere, key('1'));
    EXPECT_EQ(snapshot(install()), snapshot(payload()));
    EXPECT_TRUE(sameName(started(), shipLogged())) << started();
    removeTree(elsewhere);
}

// Windows keeps a process's current folder from being removed: the program
// must not keep the one it was started in.
TEST_P(InTheWild, StartedInsideTheInstallUninstallsIt) {
    makeInstall();
    runAt(ship_ / exe(), install(), key('2'), widen(GetParam().success));
    EXPECT_FALSE(exists(install()));
}

TEST_P(InTheWild, AFileAtTheInstallPathIsLeftAlone) {
    // The mark as its contents: the tests' own file, if a run is cut short.
    writeFile(install(), narrow(ownMark));
    const std::wstring shown = runWith(key('1'), widen(GetParam().notInstalled()));
    EXPECT_EQ(readFile(install()), narrow(ownMark));
    EXPECT_EQ(shown.find(L"Overwrite"), std::wstring::npos) << narrow(shown);
    EXPECT_TRUE(sameName(started(), shipLogged())) << started();
}

// An install folder that holds the ship folder is the only copy of what an
// uninstall would delete: it stays, and the uninstall says so.
TEST_P(InTheWild, AnInstallFolderHoldingTheShipFolderStays) {
    const std::wstring inside = install() / L"ship";
    makeInstall();
    for (const auto& [name, what] : snapshot(ship_)) {
        if (what == "folder") makeFolders(inside / name);
        else copyFile(ship_ / name, inside / name);
    }
    const auto kept = snapshot(inside);
    runAt(inside / exe(), inside, key('2'), widen(GetParam().failed));
    EXPECT_EQ(snapshot(inside), kept);
}

// Started from a prompt, which shares the console, the program ends at once
// when the emulator did not start, after saying why: it is missing, or its
// path is too long for Windows to start a program.
TEST_P(InTheWild, WhyTheEmulatorDidNotStartIsShown) {
    // No program at all: Windows' words name the file, never "%1".
    writeFile(ship_ / L"dosboxportable.exe", "text");
    const std::wstring shown = runWith(key('1'));
    EXPECT_EQ(shown.find(L"%1"), std::wstring::npos) << narrow(shown);
    DeleteFileW((ship_ / L"dosboxportable.exe").c_str());
    EXPECT_NE(runWith(key('1')).find(widen(GetParam().notRecognized)), std::wstring::npos);

    // A folder of 241 characters: the emulator's path, 260 characters, cannot
    // be started; the program's, under a name of 17 characters whatever its
    // edition's (it never reads its own name), 259, can.
    const std::wstring program = (widen(GetParam().program) + std::wstring(13, L'_')).substr(0, 13) + L".exe";
    std::wstring deep = workFolder() / L"deep";
    while (deep.size() < 241) {
        const std::size_t left = 240 - deep.size();
        deep = deep / std::wstring(left > 100 ? 50 : left, L'd');
    }
    ASSERT_EQ(deep.size(), 241u);
    makeFolders(deep);
    copyFile(programsFolder() / exe(), deep / program);
    copyFile(programsFolder() / L"dosboxportable.exe", deep / L"dosboxportable.exe");
    copyFile(payload() / L"QBASIC.EXE", deep / folder() / L"QBASIC.EXE");
    EXPECT_NE(runAt(deep / program, deep, key('1')).find(widen(GetParam().tooLong)), std::wstring::npos);
    EXPECT_EQ(started(), "");
    removeTree(workFolder() / L"deep");
}

INSTANTIATE_TEST_SUITE_P(Editions, InTheWild, ::testing::ValuesIn(testing::consoleRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel::windows_tests
