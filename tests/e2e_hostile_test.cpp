// The real programs against hostile payloads and unusual systems: what an
// attacker, or an unlucky user, hands them.

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <functional>
#include <iostream>
#include <optional>

#include "platform/oem.h"
#include "tests/e2e_hostile.h"

namespace tembrel {
namespace {

using namespace tembrel::testing;


TEST_P(Hostile, PayloadsInstallOnlyWhatIsSafe) {
    const fs::path p = payload();
    const std::map<std::string, std::pair<int, int>> modes = {{"suid", {06755, 0750}}, {"open", {0777, 0750}},
                                                              {"ro", {0444, 0640}}};
    for (const auto& [name, mode] : modes) {
        writeFile(p / name, "x");
        if (getuid() == 0) (void)!chown((p / name).c_str(), 65534, 65534);
        chmod((p / name).c_str(), mode.first);
    }
    writeFile(p / "\x1b[2J\x1b]0;owned\x07", "x");
    writeFile(p / "x\n0 File(s) copied\x9b", "x");
    writeFile(root_ / "secret" / "key.txt", "secret");
    fs::create_symlink(root_ / "secret", p / "secret");
    fs::create_symlink(root_ / "secret" / "key.txt", p / "passwd");
    fs::create_symlink("QBASIC.EXE", p / "inner");
    for (int i = 1; i <= 12; ++i) {  // each folder links twice to the next
        for (const char* link : {"a", "b"}) {
            fs::create_directories(p / ("c" + std::to_string(i)));
            fs::create_symlink("../c" + std::to_string(i + 1), p / ("c" + std::to_string(i)) / link);
        }
    }
    writeFile(p / "c13" / "leaf", "leaf");
    mkfifo((p / "fifo").c_str(), 0644);
    const int sparse = open((p / "sparse").c_str(), O_WRONLY | O_CREAT, 0644);
    EXPECT_EQ(pwrite(sparse, "!", 1, 64 << 20), 1);
    close(sparse);

    const PipedRun run = pipedWith("1", "umask 027");
    for (const auto& [name, mode] : modes) {
        struct stat st {};
        lstat((install() / name).c_str(), &st);
        EXPECT_EQ(st.st_mode & 07777, static_cast<unsigned>(mode.second)) << name;
        EXPECT_EQ(st.st_uid, getuid()) << name;
    }
    const std::string listing = run.out.substr(menu().size());
    EXPECT_EQ(listing.find_first_of("\x1b\x07\x9b"), std::string::npos) << listing;
    for (const char* line : {"?[2J?]0;owned?\n", "\nx?0 File(s) copied?\n"})
        EXPECT_NE(listing.find(line), std::string::npos) << listing;
    const auto installed = snapshot(install());
    EXPECT_EQ(installed.count("secret") + installed.count("passwd") + installed.count("inner"), 0u);
    EXPECT_EQ(installed.at("c13/leaf"), "file 416 leaf");
    EXPECT_LT(installed.size(), 60u) << "each folder once";
    for (const auto& [name, why] : {std::pair{"secret", texts().linkNotFollowed}, {"passwd", texts().linkNotFollowed},
                                    {"inner", texts().linkNotFollowed}, {"c1\\a", texts().linkNotFollowed},
                                    {"c12\\b", texts().linkNotFollowed}, {"fifo", texts().notAFileOrFolder}})
        EXPECT_NE(run.err.find(fillIn(texts().skipped, {name, why})), std::string::npos) << name << "\n" << run.err;
    struct stat st {};
    if (lstat((p / "sparse").c_str(), &st) == 0 && st.st_blocks < 2048) {  // the file system keeps holes
        lstat((install() / "sparse").c_str(), &st);
        EXPECT_EQ(st.st_size, (64 << 20) + 1);
        EXPECT_LT(st.st_blocks, 2048) << "holes stay holes";
    }
}

// Each state: launch, then uninstall, alike; the emulator starts from the ship
// folder, the install comes and goes, the status is 0.
TEST_P(Hostile, UnusualSystemsStillLaunchAndUninstall) {
    writeFile(payload() / "big.bin", std::string(1 << 20, 'b'));
    const auto linkedPayload = [&] {  // and a decoy emulator beside where the link leads
        fs::rename(payload(), root_ / folder());
        fs::create_symlink(root_ / folder(), payload());
        writeFile(root_ / "dosboxportable.exe", "#!/bin/sh\necho decoy >> \"$HOME/started\"\n");
        fs::permissions(root_ / "dosboxportable.exe", fs::perms::owner_all);
    };
    struct State {
        const char* name;
        const PipedOptions* options;
        std::function<void()> setUp;
    };
    PipedOptions plain, closedOutput, nonBlocking, noStatx;
    closedOutput.closedOutput = true;
    noStatx.noStatx = true;
    nonBlocking.nonBlockingInput = true;
    nonBlocking.inputDelayMs = 300;
    const State states[] = {
        {"output closed", &closedOutput, [] {}},
        {"non-blocking input, keys late", &nonBlocking, [] {}},
        {"payload folder a link", &plain, linkedPayload},
        {"no statx (Linux before 4.11)", &noStatx, [] {}},
    };
    for (const State& s : states) {
        s.setUp();
        const PipedRun launch = runPiped(program(), ship_.string(), env(), "1", *s.options);
        EXPECT_TRUE(exitedWithZero(launch.status)) << s.name;
        EXPECT_EQ(started(), ship_.string() + "\n") << s.name;
        EXPECT_EQ(readFile(install() / "QBASIC.EXE"), "qbasic") << s.name;
        const PipedRun uninstall = runPiped(program(), ship_.string(), env(), "2x", *s.options);
        EXPECT_TRUE(exitedWithZero(uninstall.status)) << s.name;
        EXPECT_FALSE(fs::exists(install())) << s.name;
        fs::remove(root_ / "home" / "started");
    }
}

// The depth is the same for every edition: the first one goes this deep.
TEST_P(Hostile, DeepTreesNeedLittleStackAndFewOpenFiles) {
    if (edition().edition != editionRows[0].edition) GTEST_SKIP() << "one edition is enough";
    // Deep enough that a recursive walk overflows a 1 MiB stack or runs out of
    // 64 descriptors; the benchmark goes on to 100,000 levels.
    const int fd = deepPayload(20000);
    ASSERT_GE(fd, 0);
    close(openat(fd, "bottom.txt", O_WRONLY | O_CREAT, 0644));
    close(fd);
    const PipedRun install = pipedWith("1", "ulimit -n 64; ulimit -s 1024");
    EXPECT_TRUE(exitedWithZero(install.status));
    EXPECT_EQ(install.err, "");
    EXPECT_NE(install.out.find("\\d\\bottom.txt\n"), std::string::npos);
    EXPECT_NE(install.out.find(fillIn(texts().filesCopied, {"5"})), std::string::npos);
    const std::string success = screenText(edition().edition->uninstallSuccessScreen);
    EXPECT_NE(pipedWith("2x", "ulimit -n 64; ulimit -s 1024").out.find(success), std::string::npos);
    EXPECT_FALSE(fs::exists(this->install()));
}

// Only the ship folder's starter ever runs: no file named like a command in
// drive C, the payload or on the PATH, executable, a Windows program, or in
// another letter case.
TEST_P(Hostile, OnlyTheShipFoldersStarterRuns) {
    const std::string script = "#!/bin/sh\necho \"$0\" >> \"$HOME/ran\"\n";
    writeFile(root_ / "bin" / "wine", script);
    writeFile(root_ / "bin" / "dosboxportable.exe", script);
    const std::pair<fs::path, const char*> strays[] = {
        {driveC_ / "DELTREE", "x"}, {driveC_ / "deltree.exe", "MZ"}, {ship_ / "DelTree", "x"},
        {root_ / "bin" / "DELTREE", "x"}, {payload() / "dosboxportable.exe", "x"},
    };
    for (const auto& [path, kind] : strays) {
        writeFile(path, kind == std::string("MZ") ? "MZ" : script);
        fs::permissions(path, fs::perms::owner_all);
    }
    fs::permissions(root_ / "bin" / "wine", fs::perms::owner_all);
    fs::permissions(root_ / "bin" / "dosboxportable.exe", fs::perms::owner_all);
    fs::remove(ship_ / "dosboxportable.exe");
    const auto withPath = envWith("PATH=" + (root_ / "bin").string() + ":/usr/bin:/bin");
    for (const char* keys : {"1", "2x"}) {
        const PipedRun run = runPiped(program(), ship_.string(), withPath, keys);
        EXPECT_TRUE(exitedWithZero(run.status));
        EXPECT_EQ(readFile(root_ / "home" / "ran"), "") << keys;
    }
}

// What the sweep of a stopped copy's staging folder says reaches the
// terminal in its character set, as every other text does.
TEST_P(Hostile, ALeftoverStagingFolderIsReportedInTheTerminalsCharacterSet) {
    const fs::path mountPoint = driveC_ / ("." + folder() + ".partial-4000000") / "mnt";
    fs::create_directories(mountPoint);
    writeFile(root_ / "elsewhere" / "keep.txt", "keep");
    if (mount((root_ / "elsewhere").c_str(), mountPoint.c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "bind mounts are not permitted here";
    mounted_ = mountPoint;
    const PipedRun run = piped("2x", "C.UTF-8");
    EXPECT_NE(run.err.find(oemToUtf8(texts().mountLeftAlone)), std::string::npos) << run.err;
    EXPECT_EQ(readFile(root_ / "elsewhere" / "keep.txt"), "keep");
}

// The install folder is left whole, and the failure screen shows, when a
// delete would reach what is not the install's.
TEST_P(Hostile, UninstallLeavesAloneWhatIsNotTheInstalls) {
    struct Case {
        const char* name;
        std::function<fs::path()> setUp;  // returns the ship folder to start in
        Why why;                          // what the failure screen names
    };
    const auto bind = [&](const fs::path& from, const fs::path& to) {
        fs::create_directories(to);
        if (mount(from.c_str(), to.c_str(), nullptr, MS_BIND, nullptr) != 0) return false;
        mounted_ = to;
        return true;
    };
    const Case cases[] = {
        {"another file system mounted at the install path",
         [&] {
             writeFile(root_ / "elsewhere" / "keep.txt", "keep");
             return bind(root_ / "elsewhere", install()) ? ship_ : fs::path();
         }, Why::Link},
        {"the program runs from a bind mount of a folder inside the install folder",
         [&] {
             fs::create_directories(install());
             fs::rename(ship_, install() / "ship");
             return bind(install() / "ship", root_ / "via") ? root_ / "via" : fs::path();
         }, Why::ShipFolder},
        {"the payload is the install folder",
         [&] {
             fs::rename(payload(), install());
             fs::rename(ship_ / "dosboxportable.exe", driveC_ / "dosboxportable.exe");
             return driveC_;
         }, Why::ShipFolder},
        {"the program runs inside the install folder",
         [&] {
             writeFile(install() / "QBASIC.EXE", "installed");
             fs::rename(ship_, install() / "ship");
             return install() / "ship";
         }, Why::ShipFolder},
    };
    // Each again with statx failing, as before Linux 4.11: mounts are then
    // told by their IDs.
    PipedOptions noStatx;
    noStatx.noStatx = true;
    for (const PipedOptions& options : {PipedOptions{}, noStatx})
    for (const Case& c : cases) {
        const fs::path ship = c.setUp();
        if (ship.empty()) {
            std::cout << "skipped: " << c.name << ": bind mounts are not permitted here\n";
            continue;
        }
        const auto before = snapshot(install());
        const PipedRun run = runPiped(program(), ship.string(), env(bytesLocale), "2x", options);
        EXPECT_TRUE(exitedWithZero(run.status)) << c.name;
        expectFailureScreen(run.out, c.why, true, c.name);
        EXPECT_EQ(snapshot(install()), before) << c.name << (options.noStatx ? ", without statx" : "");
        if (mounted_) umount2(mounted_->c_str(), MNT_DETACH);
        mounted_.reset();
        fs::remove_all(driveC_);
        fs::remove_all(ship_);
        makeShip();
    }
}

// Drive C is where Wine would put it, or nowhere: a prefix Wine refuses
// (not an absolute path, or another user's) makes and deletes nothing anywhere.
TEST_P(Hostile, APrefixWineRefusesMakesNothing) {
    const std::string wine = (root_ / "wine").string();
    const std::pair<std::string, std::string> cases[] = {
        {"../wine", "wine: invalid directory ../wine in WINEPREFIX: not an absolute path"},
        {"~/.wine", "wine: invalid directory ~/.wine in WINEPREFIX: not an absolute path"},
        {"wine", "wine: invalid directory wine in WINEPREFIX: not an absolute path"},
        {wine, "wine: '" + wine + "' is not owned by you"},
        {wine, "wine: '" + wine + "/drive_c' is not owned by you"},
    };
    for (const auto& [prefix, message] : cases) {
        if (message.ends_with("owned by you")) {  // another user's: root can make one
            fs::create_directories(install());
            const fs::path foreign = message.find("drive_c") != std::string::npos ? driveC_ : root_ / "wine";
            if (chown(foreign.c_str(), 65534, 65534) != 0) continue;
        }
        const auto before = snapshot(root_);
        for (const char* keys : {"1", "2x"}) {
            const PipedRun run = runPiped(program(), ship_.string(), envWith("WINEPREFIX=" + prefix), keys);
            EXPECT_TRUE(exitedWithZero(run.status));
            if (keys[0] == '1') {
                // The refusal alone: no copy is counted where none could run.
                EXPECT_EQ(run.err, message + "\n");
                EXPECT_EQ(run.out.find(fillIn(texts().filesCopied, {"0"})), std::string::npos) << run.out;
            } else {
                EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
                EXPECT_NE(run.out.find(edition().notFound), std::string::npos) << prefix;
            }
            fs::remove(root_ / "home" / "started");
            EXPECT_EQ(snapshot(root_), before) << message;
        }
        (void)!chown((root_ / "wine").c_str(), getuid(), getgid());
    }
}

INSTANTIATE_TEST_SUITE_P(Editions, Hostile, ::testing::ValuesIn(editionRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel
