// What every test of the Windows programs under Wine shares: one Wine prefix
// for the whole run, a throwaway ship folder per test, and a way to run a
// program on a pseudo-terminal and type keys at it.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/editions.h"
#include "tests/fake_platform.h"
#include "tests/payload.h"
#include "tests/terminal.h"
#include "tests/tree.h"
#include "tests/wine_prefix.h"

namespace tembrel {

using namespace tembrel::testing;

// One Wine prefix for the whole run (wine_prefix.h), with its wineserver kept
// alive so that each program starts in a second or two.
class WinePrefix : public ::testing::Environment {
public:
    static inline fs::path root;
    static std::vector<std::string> env() { return WinePrefixSetup(root).env(); }
    static fs::path driveC() { return WinePrefixSetup(root).driveC(); }

    void SetUp() override {
        std::printf("%s\n", WinePrefixSetup::programsUnderTest().c_str());
        char pattern[] = "/tmp/launcher-wine-XXXXXX";
        root = mkdtemp(pattern);
        for (const EditionRow& row : editionRows) ASSERT_EQ(rowFault(row), "");
        const std::string failed = WinePrefixSetup(root).make(STAND_IN_LOGGER);
        ASSERT_EQ(failed, "");
    }
    void TearDown() override { WinePrefixSetup(root).end(); }
};

// How long a wait for Wine may take before it counts as a fault: a Wine
// program starts in a second or two, but on a loaded machine the first start
// in a prefix can take a minute.
constexpr int slowMachineMs = 240000;

// Each case runs for every row of tests/editions.h, its pieces as a console
// shows them.
class UnderWine : public ::testing::TestWithParam<EditionRow> {
protected:
    void SetUp() override {
        ship_ = WinePrefix::root / "ship";
        fs::remove_all(ship_);
        for (const EditionRow& row : editionRows) {
            fs::remove_all(WinePrefix::driveC() / row.folder());
            fs::remove_all(WinePrefix::driveC() / std::string(row.edition->folderNameUpper));
        }
        // What an earlier case's uninstall set aside and could not delete.
        for (const auto& entry : fs::directory_iterator(WinePrefix::driveC()))
            if (entry.path().filename().string().find(".partial-") != std::string::npos) fs::remove_all(entry.path());
        for (const char* name : {"Games", "started.txt", "unexpected.txt", "DELTREE.BAT"})
            fs::remove_all(WinePrefix::driveC() / name);
        writePayload(ship_ / folder(), folder(), '/', writeFile, makeFolders);
        fs::copy_file(WINDOWS_PROGRAMS "/" + exe(), ship_ / exe());
        fs::copy_file(STAND_IN_EMULATOR, ship_ / "dosboxportable.exe");
        fs::remove_all(outside());
        writeFile(outside() / "keep.txt", "keep");
        writeFile(outside() / "sub" / "keep.bin", "keep");
    }

    void TearDown() override {
        EXPECT_EQ(readFile(WinePrefix::driveC() / "unexpected.txt"), "") << "a program ran that never should";
    }

    std::string folder() const { return GetParam().folder(); }
    std::string exe() const { return std::string(GetParam().program) + ".exe"; }
    // Outside drive C's install folder: what a link points to, and must keep.
    fs::path outside() const { return WinePrefix::root / "outside"; }
    fs::path install() const { return WinePrefix::driveC() / folder(); }
    std::vector<std::string> argv() const { return {WINE, exe()}; }
    std::string started() const { return readFile(WinePrefix::driveC() / "started.txt"); }

    // Runs the program and types `key` once the menu is up; where `waitFor` is
    // given, waits for that text, checks that the program waits, and types one
    // more key. Returns what the terminal showed. Checks, as every run does,
    // that the menu's prompt shows and that the program ends with status 0.
    std::string runWith(const std::string& key, const std::string& waitFor = "") {
        return runAt(argv(), ship_, key, waitFor);
    }

    // The same with another command line, started in another folder.
    std::string runAt(const std::vector<std::string>& command, const fs::path& folder, const std::string& key,
                      const std::string& waitFor = "") {
        Terminal t(command, folder.string(), WinePrefix::env());
        EXPECT_TRUE(t.waitFor(GetParam().prompt, slowMachineMs)) << t.output();
        // Wine's console may still be setting up the terminal when the prompt
        // shows, and a key typed then can be lost: let it settle first.
        t.stillRunningAfter(500);
        t.type(key);
        if (!waitFor.empty()) {
            EXPECT_TRUE(t.waitFor(waitFor, slowMachineMs)) << t.output();
            EXPECT_TRUE(t.stillRunningAfter(500)) << "waits for one more key";
            t.type("x");
        }
        const int status = t.wait(slowMachineMs);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        return t.output();
    }

    fs::path ship_;
};

// "Z:\tmp\...\ship" as Windows names the ship folder.
inline std::string windowsName(const fs::path& path) {
    std::string name = "Z:" + path.string();
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

inline bool equalsIgnoringCase(std::string a, std::string b) {
    for (char& c : a) c = static_cast<char>(tolower(c));
    for (char& c : b) c = static_cast<char>(tolower(c));
    return a == b;
}

}  // namespace tembrel
