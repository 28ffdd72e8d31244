// The programs in a Windows console: the menu, the keys, the first install,
// the uninstall, and output redirected to a file.

#include "platform/oem.h"
#include "tests/fake_platform.h"
#include "tests/windows/harness.h"

namespace tembrel::windows_tests {
namespace {

// Every line of the menu shows, umlauts included, whatever the console's
// code page; both exit keys end the program at once.
TEST_P(OnWindows, TheMenuShowsInFullAndTheExitKeysEndIt) {
    const std::wstring menu = oemToWide(screenText(GetParam().edition->menuScreen));
    for (const Key& exit : {key('3'), escape}) {
        const std::wstring shown = runWith(exit);
        std::size_t at = 0;
        for (std::size_t start = 0, end; start < menu.size(); start = end + 1) {
            end = std::min(menu.find(L'\n', start), menu.size());
            std::wstring row = menu.substr(start, end - start);
            row.erase(row.find_last_not_of(L' ') + 1);
            if (row.empty()) continue;
            at = shown.find(row, at);
            ASSERT_NE(at, std::wstring::npos) << narrow(row) << "\n" << narrow(shown);
        }
    }
}

TEST_P(OnWindows, AnInvalidKeyShowsTheNotice) {
    for (const Key& k : {key('4'), arrowUp}) runWith(k, widen(GetParam().notice));
}

TEST_P(OnWindows, FirstLaunchInstallsThePayloadThenLaterLaunchesCopyNothing) {
    runWith(key('1'));
    EXPECT_EQ(snapshot(install()), snapshot(payload()));
    EXPECT_TRUE(sameName(started(), shipLogged())) << started();

    const auto installed = snapshot(install());
    writeFile(payload() / L"new.txt", "new");
    runWith(enter);
    EXPECT_EQ(snapshot(install()), installed);
    const std::string log = started();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
}

TEST_P(OnWindows, UninstallRemovesTheInstallFolderOnly) {
    makeInstall();
    writeFile(install() / L"QBASIC.EXE", "q");
    writeFile(install() / L"sub\\data.bin", "d");
    // Same-named files elsewhere on drive C.
    const std::wstring games = workFolder() / L"Games";
    writeFile(games / folder() / folder(), "decoy");
    writeFile(games / folder() / L"save.dat", "decoy");
    const auto decoys = snapshot(games);
    runWith(key('2'), widen(GetParam().success));
    EXPECT_FALSE(exists(install()));
    EXPECT_EQ(snapshot(games), decoys);
    EXPECT_EQ(runWith(backspace, widen(GetParam().notFound)).find(widen(GetParam().success)), std::wstring::npos);
    removeTree(games);
}

// Keys typed ahead during the uninstall, as a held Backspace gives them,
// never answer the result screen's wait.
TEST_P(OnWindows, KeysTypedAheadNeverEndTheResultScreen) {
    makeInstall();
    ConsoleRun run(ship_ / exe(), L"\"" + (ship_ / exe()) + L"\"", ship_);
    ASSERT_TRUE(run.waitFor(widen(GetParam().prompt), 240000)) << narrow(run.screen());
    for (int held = 0; held < 5; ++held) run.type(backspace);
    EXPECT_TRUE(run.waitFor(widen(GetParam().success), 240000)) << narrow(run.screen());
    EXPECT_TRUE(run.stillRunningAfter(500)) << "waits for one more key";
    run.type(key('x'));
    EXPECT_EQ(run.wait(240000), 0);
}

// Commands of the same names as the ones the launcher carries out itself, in
// the payload and on drive C, where a command interpreter would look first.
TEST_P(OnWindows, PlantedCommandsNeverRun) {
    const std::string batch = "@echo %0>>\"" + narrow(workFolder()) + "\\logs\\unexpected.txt\"\r\n";
    writeFile(payload() / L"XCOPY.BAT", batch);
    copyFile(programsFolder() / L"stand_in_logger.exe", payload() / L"XCOPY.EXE");
    // Only where drive C's top folder takes files, and none of that name is there.
    const std::wstring deltree = L"C:\\DELTREE.BAT";
    const bool planted = !exists(deltree) && (writeFile(deltree, batch), exists(deltree));
    runWith(key('1'));
    EXPECT_EQ(snapshot(install()), snapshot(payload()));
    runWith(key('2'), widen(GetParam().success));
    EXPECT_FALSE(exists(install()));
    if (planted) DeleteFileW(deltree.c_str());
}

// Output redirected to a file gets the OEM bytes themselves, with CR LF line ends.
TEST_P(OnWindows, RedirectedOutputKeepsTheOemBytes) {
    std::string expected;
    for (char c : screenText(GetParam().edition->menuScreen)) {
        if (c == '\n') expected += '\r';
        expected += c;
    }
    const std::wstring out = workFolder() / L"menu.out";
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const HANDLE file = CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    {
        ConsoleRun run(ship_ / exe(), exe(), ship_, file);
        for (int waited = 0; waited < 600 && readFile(out).size() < expected.size(); ++waited) Sleep(100);
        run.type(key('3'));
        EXPECT_EQ(run.wait(120000), 0);
    }
    CloseHandle(file);
    EXPECT_EQ(readFile(out), expected);
}

INSTANTIATE_TEST_SUITE_P(Editions, OnWindows, ::testing::ValuesIn(testing::consoleRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel::windows_tests
