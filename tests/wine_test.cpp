// The Windows programs on their real platform: each .exe runs under Wine on a
// pseudo-terminal, with Wine's own cmd, xcopy, del and rd on a Wine drive C.

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

// Each program runs on a clean Windows: it imports only system DLLs, and it
// carries its version resource.
TEST_P(UnderWine, ProgramIsSelfContained) {
    const std::string exe = WINDOWS_PROGRAMS "/" + GetParam().exe;
    FILE* pipe = popen(("x86_64-w64-mingw32-objdump -p '" + exe + "'").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string dump;
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) dump.append(buffer, n);
    pclose(pipe);
    const std::vector<std::string> system = {"kernel32.dll", "msvcrt.dll", "user32.dll", "advapi32.dll"};
    std::size_t found = 0;
    for (std::size_t at = dump.find("DLL Name: "); at != std::string::npos; at = dump.find("DLL Name: ", at + 1)) {
        std::string dll = dump.substr(at + 10, dump.find('\n', at) - at - 10);
        for (char& c : dll) c = static_cast<char>(tolower(c));
        EXPECT_TRUE(std::find(system.begin(), system.end(), dll) != system.end()) << dll;
        ++found;
    }
    EXPECT_GT(found, 0u);

    auto utf16 = [](const std::string& s) {
        std::string out;
        for (char c : s) out += {c, '\0'};
        return out;
    };
    const std::string bytes = readFile(exe);
    for (const std::string& s : {std::string("ProductName"), GetParam().folder, std::string("1.002"),
                                 std::string("FileDescription")})
        EXPECT_NE(bytes.find(utf16(s)), std::string::npos) << s;
}

INSTANTIATE_TEST_SUITE_P(Editions, UnderWine, ::testing::Values(english, german),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new tembrel::WinePrefix);
    return RUN_ALL_TESTS();
}
