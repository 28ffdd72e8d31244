// The Windows programs on their real platform: each .exe runs under Wine on a
// pseudo-terminal, with Wine's own cmd, xcopy, del and rd on a Wine drive C.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "editions/english/english.h"
#include "editions/german/german.h"
#include "tests/fake_platform.h"
#include "tests/terminal.h"
#include "tests/tree.h"

namespace tembrel {
namespace {

using namespace tembrel::testing;

// One Wine prefix for the whole run, with its wineserver kept alive so that
// each program starts in a second or two.
class WinePrefix : public ::testing::Environment {
public:
    static inline fs::path root;
    static std::vector<std::string> env() {
        return {"WINEPREFIX=" + (root / "prefix").string(), "HOME=" + (root / "home").string(),
                "PATH=" + std::string(getenv("PATH")), "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml=",
                "LANG=C.UTF-8", "TERM=xterm"};
    }
    static fs::path driveC() { return root / "prefix" / "drive_c"; }

    void SetUp() override {
        char pattern[] = "/tmp/launcher-wine-XXXXXX";
        root = mkdtemp(pattern);
        fs::create_directories(root / "home");
        // The server first, told to stay for the whole run, then the prefix. wineboot complains
        // of the 32-bit half where only 64-bit Wine is installed; what counts
        // is that a drive C with Windows on it exists.
        fs::create_directories(root / "prefix");
        ASSERT_EQ(run("wineserver -p"), 0) << "could not start a wineserver";
        run("wineboot -i");
        ASSERT_TRUE(fs::is_directory(driveC() / "windows" / "system32")) << "could not create a Wine prefix";
    }
    void TearDown() override {
        run("wineserver -k");
        fs::remove_all(root);
    }

private:
    static int run(const std::string& command) {
        std::string line;
        for (const std::string& e : env()) line += "'" + e + "' ";
        return std::system(("env " + line + command + " >/dev/null 2>&1").c_str());
    }
};

struct WineCase {
    const char* name;
    const Edition* edition;
    std::string exe;
    std::string folder;
    std::string prompt;
    std::string notice;
    std::string success;
    std::string notFound;
};
void PrintTo(const WineCase& c, std::ostream* os) { *os << c.name; }

const WineCase english{"English", &englishEdition, "TembrelLaunch.exe", "Tembrel", "you want:",
                       "THIS PROGRAM IS NOT LIKELY TO HACKING !!!", "UNINSTALL SUCCESSFUL",
                       "could not uninstall Tembrel"};
const WineCase german{"German", &germanEdition, "TembreloStart.exe", "Tembrelo", "eingeben:",
                      "DIESES PROGRAMM IST NICHT ZUM HACKEN GEEIGNET !!!", "DEINSTALLATION ERFOLGREICH",
                      "konnte Tembrelo nicht deinstallieren"};

class UnderWine : public ::testing::TestWithParam<WineCase> {
protected:
    void SetUp() override {
        ship_ = WinePrefix::root / "ship";
        fs::remove_all(ship_);
        for (const char* name : {"Tembrel", "Tembrelo", "TEMBREL", "TEMBRELO", "Games", "started.txt"})
            fs::remove_all(WinePrefix::driveC() / name);
        const fs::path payload = ship_ / folder();
        writeFile(payload / "QBASIC.EXE", "qbasic");
        writeFile(payload / "sub" / "deep" / "data.bin", "data");
        writeFile(payload / ".hidden", "dot");  // Wine shows dot files as hidden
        fs::create_directories(payload / "empty");
        fs::copy_file(WINDOWS_PROGRAMS "/" + GetParam().exe, ship_ / GetParam().exe);
        fs::copy_file(STAND_IN_EMULATOR, ship_ / "dosboxportable.exe");
    }

    const std::string& folder() const { return GetParam().folder; }
    fs::path install() const { return WinePrefix::driveC() / folder(); }
    std::vector<std::string> argv() const { return {WINE, GetParam().exe}; }
    std::string started() const { return readFile(WinePrefix::driveC() / "started.txt"); }

    // Runs the program and types `key` once the menu is up; where `waitFor` is
    // given, waits for that text, checks that the program waits, and types one
    // more key. Returns what the terminal showed.
    std::string runWith(const std::string& key, const std::string& waitFor = "") {
        Terminal t(argv(), ship_.string(), WinePrefix::env());
        EXPECT_TRUE(t.waitFor(GetParam().prompt, 30000)) << t.output();
        // Wine's console may still be setting up the terminal when the prompt
        // shows, and a key typed then can be lost: let it settle first.
        t.stillRunningAfter(500);
        t.type(key);
        if (!waitFor.empty()) {
            EXPECT_TRUE(t.waitFor(waitFor, 60000)) << t.output();
            EXPECT_TRUE(t.stillRunningAfter(500)) << "waits for one more key";
            t.type("x");
        }
        const int status = t.wait(60000);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        return t.output();
    }

    fs::path ship_;
};

// "Z:\tmp\...\ship" as Windows names the ship folder.
std::string windowsName(const fs::path& path) {
    std::string name = "Z:" + path.string();
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

bool equalsIgnoringCase(std::string a, std::string b) {
    for (char& c : a) c = static_cast<char>(tolower(c));
    for (char& c : b) c = static_cast<char>(tolower(c));
    return a == b;
}

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
