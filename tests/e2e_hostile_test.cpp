// The real programs against hostile payloads and unusual systems: what an
// attacker, or an unlucky user, hands them.

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>

#include <functional>
#include <optional>

#include "platform/oem.h"
#include "tests/e2e.h"

namespace tembrel {
namespace {

using namespace tembrel::testing;

class Hostile : public EndToEnd {
protected:
    void TearDown() override {
        if (mounted_) umount2(mounted_->c_str(), MNT_DETACH);
        EndToEnd::TearDown();
    }
    fs::path payload() const { return ship_ / folder(); }
    std::vector<std::string> envWith(const std::string& var) const {
        auto e = env();
        const std::string name = var.substr(0, var.find('=') + 1);
        std::erase_if(e, [&](const std::string& v) { return v.starts_with(name); });
        e.push_back(var);
        return e;
    }
    std::optional<fs::path> mounted_;
};

PipedOptions withPrelude(const std::string& commands) {
    PipedOptions options;
    options.prelude = commands;
    return options;
}

int modeOf(const fs::path& path) {
    struct stat st {};
    lstat(path.c_str(), &st);
    return st.st_mode & 07777;
}

TEST_P(Hostile, PayloadsInstallOnlyWhatIsSafe) {
    const fs::path p = payload();
    // Modes: set-user-ID from another user, world-writable, read-only.
    writeFile(p / "suid", "x");
    if (getuid() == 0) (void)!chown((p / "suid").c_str(), 65534, 65534);
    chmod((p / "suid").c_str(), 06755);
    writeFile(p / "open", "x");
    chmod((p / "open").c_str(), 0777);
    writeFile(p / "ro", "x");
    chmod((p / "ro").c_str(), 0444);
    // Names that would drive the terminal.
    writeFile(p / "\x1b[2J\x1b]0;owned\x07", "x");
    writeFile(p / "x\n0 File(s) copied", "x");
    writeFile(p / "c1\x9b" "31m", "x");
    // Links: out of the payload, and a chain of folders each linking twice to the next.
    writeFile(root_ / "secret" / "key.txt", "secret");
    fs::create_symlink(root_ / "secret", p / "secret");
    fs::create_symlink(root_ / "secret" / "key.txt", p / "passwd");
    fs::create_symlink("QBASIC.EXE", p / "inner");
    for (int i = 1; i <= 12; ++i) {
        const fs::path c = p / ("c" + std::to_string(i));
        fs::create_directories(c);
        fs::create_symlink("../c" + std::to_string(i + 1), c / "a");
        fs::create_symlink("../c" + std::to_string(i + 1), c / "b");
    }
    writeFile(p / "c13" / "leaf", "leaf");
    // Holes: 64 MiB with one byte written.
    const int sparse = open((p / "sparse").c_str(), O_WRONLY | O_CREAT, 0644);
    EXPECT_EQ(ftruncate(sparse, 64 << 20), 0);
    EXPECT_EQ(pwrite(sparse, "!", 1, 32 << 20), 1);
    close(sparse);

    const PipedRun run = runPiped(edition().program, ship_.string(), env("C"), "1", withPrelude("umask 027"));
    EXPECT_TRUE(exitedWithZero(run.status));
    const auto installed = snapshot(install());
    for (const auto& [name, mode] : std::map<std::string, int>{{"suid", 0750}, {"open", 0750}, {"ro", 0640}})
        EXPECT_EQ(modeOf(install() / name), mode) << name;
    struct stat st {};
    lstat((install() / "suid").c_str(), &st);
    EXPECT_EQ(st.st_uid, getuid());

    const std::string listing = run.out.substr(menu().size());
    EXPECT_EQ(listing.find_first_of("\x1b\x07\x9b"), std::string::npos) << listing;
    EXPECT_NE(listing.find("?[2J?]0;owned?\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("x?0 File(s) copied\n"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("\n0 File(s) copied"), std::string::npos) << listing;

    EXPECT_EQ(installed.count("secret"), 0u);
    EXPECT_EQ(installed.count("passwd"), 0u);
    EXPECT_EQ(installed.at("inner"), "file 416 qbasic");
    EXPECT_EQ(installed.at("c13/leaf"), "file 416 leaf");
    EXPECT_LT(installed.size(), 60u) << "each folder once";
    for (const char* skipped : {"Skipped secret:", "Skipped passwd:", "Skipped c1\\a:", "Skipped c12\\b:"})
        EXPECT_NE(run.err.find(skipped), std::string::npos) << skipped << "\n" << run.err;

    lstat((p / "sparse").c_str(), &st);
    if (st.st_blocks * 512 < (1 << 20)) {
        lstat((install() / "sparse").c_str(), &st);
        EXPECT_EQ(st.st_size, 64 << 20);
        EXPECT_LT(st.st_blocks * 512, 1 << 20) << "holes stay holes";
        EXPECT_EQ(readFile(install() / "sparse").substr(32 << 20, 2), std::string("!\0", 2));
    }
}

// Each state: launch, then uninstall, alike; the emulator starts from the ship
// folder, the install comes and goes, the status is 0.
TEST_P(Hostile, UnusualSystemsStillLaunchAndUninstall) {
    writeFile(payload() / "big.bin", std::string(1 << 20, 'b'));
    struct State {
        const char* name;
        const char* prelude;
        bool closedOutput;
        bool nonBlockingInput;            // and the keys come late
        std::string var;                  // one environment variable set
        std::function<void()> setUp;
        const char* error = "";           // reported on the error output
    };
    const std::vector<State> states = {
        {"file-size limit", "ulimit -f 64", false, false, "", [] {}, "big.bin: File too large"},
        {"output closed", "", true, false, "", [] {}},
        {"non-blocking input", "", false, true, "", [] {}},
        {"relative WINEPREFIX", "", false, false, "WINEPREFIX=../wine", [] {}},
        {"payload folder a link", "", false, false, "",
         [&] {
             // A decoy emulator beside where the link leads.
             fs::create_directories(root_ / "store");
             fs::rename(payload(), root_ / "store" / folder());
             fs::create_symlink(root_ / "store" / folder(), payload());
             writeFile(root_ / "store" / "dosboxportable.exe", "#!/bin/sh\necho decoy >> \"$HOME/started\"\n");
             fs::permissions(root_ / "store" / "dosboxportable.exe", fs::perms::owner_all);
         }},
    };
    for (const State& s : states) {
        s.setUp();
        PipedOptions options = withPrelude(s.prelude);
        options.closedOutput = s.closedOutput;
        options.nonBlockingInput = s.nonBlockingInput;
        options.inputDelayMs = s.nonBlockingInput ? 300 : 0;
        const auto environment = s.var.empty() ? env() : envWith(s.var);
        const PipedRun launch = runPiped(edition().program, ship_.string(), environment, "1", options);
        EXPECT_TRUE(exitedWithZero(launch.status)) << s.name;
        EXPECT_EQ(started(), ship_.string() + "\n") << s.name;
        EXPECT_EQ(readFile(install() / "QBASIC.EXE"), "qbasic") << s.name;
        EXPECT_NE(launch.err.find(s.error), std::string::npos) << s.name << ": " << launch.err;
        const PipedRun uninstall = runPiped(edition().program, ship_.string(), environment, "2x", options);
        EXPECT_TRUE(exitedWithZero(uninstall.status)) << s.name;
        EXPECT_FALSE(fs::exists(install())) << s.name;
        fs::remove(root_ / "home" / "started");
    }
}

TEST_P(Hostile, DeepTreesNeedFewOpenFiles) {
    fs::path deep = payload();
    for (int i = 0; i < 1000; ++i) deep /= "d";
    writeFile(deep / "bottom.txt", "bottom");
    const PipedOptions fewFiles = withPrelude("ulimit -n 128");
    const PipedRun launch = runPiped(edition().program, ship_.string(), env(), "1", fewFiles);
    EXPECT_EQ(launch.err, "");
    EXPECT_EQ(readFile(install() / deep.lexically_relative(payload()) / "bottom.txt"), "bottom");
    const PipedRun uninstall = runPiped(edition().program, ship_.string(), env(), "2x", fewFiles);
    EXPECT_FALSE(fs::exists(install()));
    EXPECT_NE(uninstall.out.find(edition().success), std::string::npos);
}

TEST_P(Hostile, UninstallRunsNoStrayFileAndLeavesMountsAlone) {
    // A file named like a delete command, without execute permission.
    writeFile(driveC_ / "DelTree", "#!/bin/sh\necho ran > \"$HOME/deltree\"\n");
    writeFile(install() / "a.txt", "a");
    EXPECT_NE(piped("2x").out.find(edition().success), std::string::npos);
    EXPECT_FALSE(fs::exists(root_ / "home" / "deltree"));

    writeFile(install() / "a.txt", "a");
    writeFile(root_ / "elsewhere" / "keep.txt", "keep");
    fs::create_directories(install() / "mnt");
    if (mount((root_ / "elsewhere").c_str(), (install() / "mnt").c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "bind mounts are not permitted here";
    mounted_ = install() / "mnt";
    const PipedRun run = piped("2x");
    EXPECT_TRUE(exitedWithZero(run.status));
    EXPECT_EQ(readFile(root_ / "elsewhere" / "keep.txt"), "keep");
    EXPECT_EQ(run.out, menu() + "\f" + screenText(edition().edition->uninstallFailedScreen));
}

TEST_P(Hostile, TheLocaleIsTakenByItsName) {
    struct Case {
        const char* lcAll;
        const char* lang;
        bool utf8;
    };
    for (const Case& c : {Case{"", "xx_XX.UTF-8", true}, Case{"", "de_DE.utf8", true}, Case{"C", "C.UTF-8", false},
                          Case{"xx_XX.UTF-8", "C", true}}) {
        auto e = envWith(std::string("LANG=") + c.lang);
        e.push_back(std::string("LC_ALL=") + c.lcAll);
        const PipedRun run = runPiped(edition().program, ship_.string(), e, "3");
        EXPECT_EQ(run.out, c.utf8 ? oemToUtf8(menu()) : menu()) << c.lcAll << " " << c.lang;
    }
}

// ---- on a terminal ----

TEST_P(Hostile, UnknownTerminalsGetAFormFeed) {
    for (const char* term : {"TERM=dumb", "TERM=", "TERM=adm3a"}) {
        Terminal t({edition().program}, ship_.string(), envWith(term));
        ASSERT_TRUE(t.waitFor(edition().prompt));
        t.type("4");
        ASSERT_TRUE(t.waitFor(edition().notice));
        t.type("x");
        EXPECT_TRUE(exitedWithZero(t.wait()));
        EXPECT_EQ(t.output().find('\x1b'), std::string::npos) << term;
        EXPECT_NE(t.output().find('\f'), std::string::npos) << term;
    }
}

TEST_P(Hostile, TheTerminalSurvivesJobControlAndTypeAhead) {
    Terminal t({edition().program}, ship_.string(), env());
    ASSERT_TRUE(t.waitFor(edition().prompt));
    ASSERT_TRUE(t.stillRunningAfter(50));
    // A stop, then a resume after the shell put its own settings back.
    t.signal(SIGSTOP);
    ASSERT_TRUE(t.stillRunningAfter(50));
    t.setSettings(t.initialSettings());
    t.signal(SIGCONT);
    ASSERT_TRUE(t.stillRunningAfter(100));
    EXPECT_FALSE(sameSettings(t.settings(), t.initialSettings())) << "raw mode is back";
    // A stop request: the program carries on afterwards, in raw mode.
    t.signal(SIGTSTP);
    ASSERT_TRUE(t.stillRunningAfter(100));
    // The key and a pasted line at once: the line is not left for the shell.
    t.type("3echo typed ahead\r");
    EXPECT_TRUE(exitedWithZero(t.wait()));
    EXPECT_EQ(t.output().find("typed ahead"), std::string::npos) << "no echo";
    EXPECT_EQ(t.unreadInput(), 0);
    EXPECT_TRUE(sameSettings(t.settings(), t.initialSettings()));
}

INSTANTIATE_TEST_SUITE_P(Editions, Hostile, ::testing::Values(english, german),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel
