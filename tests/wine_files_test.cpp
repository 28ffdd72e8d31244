// The Windows programs' own file commands under Wine on Unix links, in the
// payload and in the install.

#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <atomic>
#include <thread>

#include "tests/wine_harness.h"

namespace tembrel {
namespace {

class FilesUnderWine : public UnderWine {};

// Each link is skipped and named, the rest is installed, and nothing outside
// is copied or, at the uninstall, touched. Wine shows a Unix link to a file as
// a plain file: it is found all the same.
TEST_P(FilesUnderWine, LinksInThePayloadAreSkippedAndNamed) {
    const fs::path payload = ship_ / folder();
    struct Link {
        const char* path;
        fs::path target;
        const char* shown;
    };
    const Link links[] = {{"dot", ".", "Z:dot"}, {"out", outside(), "Z:out"},
                          {"sub/file", outside() / "keep.txt", "Z:sub\\file"}};
    for (const Link& link : links) fs::create_symlink(link.target, payload / link.path);
    auto expected = snapshot(payload, false);
    std::erase_if(expected, [](const auto& entry) { return entry.second.starts_with("link "); });
    const auto kept = snapshot(outside());

    const std::string shown = runWith("1");
    for (const Link& link : links) EXPECT_NE(shown.find(link.shown), std::string::npos) << shown;
    EXPECT_EQ(snapshot(install(), false), expected);
    runWith("2", GetParam().success);
    EXPECT_EQ(snapshot(outside()), kept);
}

// Wine deletes what a Unix link leads to instead of the link: the uninstall
// leaves the link, and so the file outside, and says that it failed. So too
// where the target's path differs from the link's only in case (a folder of
// its own on Unix) or only in drive.
TEST_P(FilesUnderWine, AFileLinkInTheInstallNeverCostsItsTarget) {
    const fs::path otherDrive = WinePrefix::root / "d",
                   caseTwin = WinePrefix::driveC() / std::string(GetParam().edition->folderNameUpper);
    std::error_code ignored;
    fs::create_directory_symlink(otherDrive, WinePrefix::root / "prefix" / "dosdevices" / "d:", ignored);
    for (const fs::path& target : {outside() / "keep.txt", caseTwin / "VICTIM.TXT", otherDrive / folder() / "V.TXT"}) {
        writeFile(target, "keep");
        fs::remove_all(install());
        writeFile(install() / "QBASIC.EXE", "q");
        fs::create_symlink(target, install() / target.filename());
        runWith("2", GetParam().failed);
        EXPECT_EQ(readFile(target), "keep") << target;
    }
    fs::remove_all(caseTwin);
}

// Names Windows cannot hold, and entries that are no files: copied as they
// are, or skipped and named, or named as a copy that failed (then nothing is
// installed); never renamed, and no control character reaches the terminal.
TEST_P(FilesUnderWine, NamesAreCopiedAsTheyAreOrNamed) {
    const fs::path payload = ship_ / folder();
    struct Case {
        std::vector<std::string> names;
        bool whole;
        const char* shown;
    };
    const Case cases[] = {{{"dot.", "space "}, true, "Z:dot."},    {{"case", "CASE"}, false, "Z:case"},
                          {{"esc\x1b[2J"}, false, "Z:esc?[2J"}, {{"bad\xff"}, false, "Z:bad"},
                          {{"fifo", "null"}, true, "Z:null"},          {{"rtl\u202Egnp.exe"}, true, "Z:rtl?gnp.exe"}};
    for (const Case& c : cases) {
        fs::remove_all(install());
        for (const std::string& name : c.names) {
            if (name == "fifo") ASSERT_EQ(mkfifo((payload / name).c_str(), 0644), 0);
            else if (name == "null") ASSERT_EQ(mknod((payload / name).c_str(), S_IFCHR | 0644, makedev(1, 3)), 0);
            else writeFile(payload / name, name);
        }
        const std::string shown = runWith("1", c.whole ? "" : GetParam().notInstalled());
        EXPECT_NE(shown.find(c.shown), std::string::npos) << shown;
        EXPECT_EQ(fs::exists(install()), c.whole) << c.shown;
        for (const std::string& name : c.names) {
            if (c.whole && name != "fifo" && name != "null") {
                EXPECT_EQ(readFile(install() / name), name);
            }
            fs::remove(payload / name);
        }
    }
}

// A folder deep in the install swapped back and forth with a link to a
// folder outside while "2" runs (as another user could): nothing outside is
// deleted, whatever the uninstall then says.
TEST_P(FilesUnderWine, AFolderSwappedForALinkDuringTheUninstallNeverCostsOutside) {
    // Wine 8's server carries out a delete-on-close by the file's path when
    // the last handle closes, so a swap in that instant still reaches outside
    // (about one run in eight here). Windows deletes the file object itself:
    // windows_tests.exe swaps a junction the same way on a real PC.
    if (!getenv("LAUNCHER_WINE_RACES")) GTEST_SKIP() << "Wine deletes by path on close; LAUNCHER_WINE_RACES=1 runs it";
    fs::path deep = install();
    for (int level = 0; level < 23; ++level) deep /= "d";
    // Files of the same names inside and outside, so that a delete led
    // outside would find something to delete.
    for (int file = 0; file < 200; ++file) {
        const std::string name = std::to_string(file) + ".dat";
        writeFile(deep / name, "inside");
        writeFile(outside() / name, "outside");
    }
    const auto kept = snapshot(outside());
    std::atomic<bool> done{false};
    std::thread swapper([&] {
        const fs::path aside = deep.parent_path() / "aside";
        std::error_code e;
        for (int round = 0; round < 200000 && !done; ++round) {
            fs::rename(deep, aside, e);
            if (e) continue;
            fs::create_directory_symlink(outside(), deep, e);
            std::this_thread::yield();
            fs::remove(deep, e);
            fs::rename(aside, deep, e);
        }
    });
    Terminal t(argv(), ship_.string(), WinePrefix::env());
    EXPECT_TRUE(t.waitFor(GetParam().prompt, slowMachineMs)) << t.output();
    t.stillRunningAfter(500);
    t.type("2");
    for (int waited = 0; waited < slowMachineMs / 500 && t.output().find(GetParam().success) == std::string::npos &&
                         t.output().find(GetParam().failed) == std::string::npos;
         ++waited)
        t.stillRunningAfter(500);
    t.type("x");
    t.wait(slowMachineMs);
    done = true;
    swapper.join();
    EXPECT_EQ(snapshot(outside()), kept);
}

// A first copy or an uninstall stopped half-way (killed, Ctrl+C typed, the
// terminal closed) leaves the whole install or none; a Ctrl+C ends the
// program as Windows ends a console program on Ctrl+C, and during a copy
// removes its staging folder first. The next start removes what a stop left
// aside and installs whole. Two first launches at once make one whole
// install and leave no staging folder.
TEST_P(FilesUnderWine, AStoppedRunLeavesTheWholeInstallOrNone) {
    for (int i = 0; i < 1500; ++i) writeFile(ship_ / folder() / "many" / std::to_string(i), "x");
    const auto payload = snapshot(ship_ / folder(), false);
    const auto staging = [&] { return stagingFolders(WinePrefix::driveC(), folder()); };
    for (const char key : {'1', '2'})
        for (const int stop : {SIGKILL, SIGHUP, 0 /* Ctrl+C typed */}) {
            key == '1' ? (void)fs::remove_all(install()) : (void)runWith("1");
            Terminal t(argv(), ship_.string(), WinePrefix::env());
            ASSERT_TRUE(t.waitFor(GetParam().prompt, slowMachineMs)) << t.output();
            t.stillRunningAfter(500);
            t.type(std::string(1, key));
            while ((key == '1' ? staging() == 0 : fs::exists(install())) && t.stillRunningAfter(1)) {
            }
            stop == 0 ? t.type("\x03") : t.signal(stop);
            const int status = t.wait(slowMachineMs);
            const std::string row = std::string(1, key) + " stopped by " + std::to_string(stop);
            // Wine hands Unix the low byte of STATUS_CONTROL_C_EXIT, 0xC000013A.
            if (stop == 0) {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0x3A) << row << " " << status;
                EXPECT_TRUE(key == '2' || staging() == 0) << row;
            }
            EXPECT_TRUE(!fs::exists(install()) || snapshot(install(), false) == payload) << row;
            runWith("1");
            EXPECT_EQ(staging(), 0) << row;
            EXPECT_EQ(snapshot(install(), false), payload) << row;
        }
    fs::remove_all(install());
    {
        Terminal first(argv(), ship_.string(), WinePrefix::env()), second(argv(), ship_.string(), WinePrefix::env());
        ASSERT_TRUE(first.waitFor(GetParam().prompt, slowMachineMs) && second.waitFor(GetParam().prompt, slowMachineMs));
        first.stillRunningAfter(500);
        first.type("1");
        second.type("1");
        EXPECT_TRUE(WIFEXITED(first.wait(slowMachineMs)) && WIFEXITED(second.wait(slowMachineMs)));
    }
    EXPECT_EQ(staging(), 0);
    EXPECT_EQ(snapshot(install(), false), snapshot(ship_ / folder(), false));
}

INSTANTIATE_TEST_SUITE_P(Editions, FilesUnderWine, ::testing::ValuesIn(consoleRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel
