// The real programs against hostile payloads and unusual systems: what an
// attacker, or an unlucky user, hands them.

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>

#include <functional>
#include <optional>

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
        std::erase_if(e, [&](const std::string& v) { return v.starts_with(var.substr(0, var.find('=') + 1)); });
        e.push_back(var);
        return e;
    }
    PipedRun pipedWith(const std::string& keys, const std::string& prelude) const {
        PipedOptions options;
        options.prelude = prelude;
        return runPiped(edition().program, ship_.string(), env("C"), keys, options);
    }
    std::optional<fs::path> mounted_;
};

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
    EXPECT_EQ(installed.count("secret") + installed.count("passwd"), 0u);
    EXPECT_EQ(installed.at("inner"), "file 416 qbasic");
    EXPECT_EQ(installed.at("c13/leaf"), "file 416 leaf");
    EXPECT_LT(installed.size(), 60u) << "each folder once";
    for (const char* skipped : {"Skipped secret:", "Skipped passwd:", "Skipped c1\\a:", "Skipped c12\\b:"})
        EXPECT_NE(run.err.find(skipped), std::string::npos) << skipped << "\n" << run.err;
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
        std::string var;  // an environment variable set
        std::function<void()> setUp;
        const char* error;
    };
    PipedOptions plain, fileLimit, closedOutput, nonBlocking;
    fileLimit.prelude = "ulimit -f 64";
    closedOutput.closedOutput = true;
    nonBlocking.nonBlockingInput = true;
    nonBlocking.inputDelayMs = 300;
    const State states[] = {
        {"file-size limit", &fileLimit, "", [] {}, "big.bin: File too large"},
        {"output closed", &closedOutput, "", [] {}, ""},
        {"non-blocking input, keys late", &nonBlocking, "", [] {}, ""},
        {"relative WINEPREFIX", &plain, "WINEPREFIX=../wine", [] {}, ""},
        {"payload folder a link", &plain, "", linkedPayload, ""},
    };
    for (const State& s : states) {
        s.setUp();
        const auto environment = s.var.empty() ? env() : envWith(s.var);
        const PipedRun launch = runPiped(edition().program, ship_.string(), environment, "1", *s.options);
        EXPECT_TRUE(exitedWithZero(launch.status)) << s.name;
        EXPECT_EQ(started(), ship_.string() + "\n") << s.name;
        EXPECT_EQ(readFile(install() / "QBASIC.EXE"), "qbasic") << s.name;
        EXPECT_NE(launch.err.find(s.error), std::string::npos) << s.name << ": " << launch.err;
        const PipedRun uninstall = runPiped(edition().program, ship_.string(), environment, "2x", *s.options);
        EXPECT_TRUE(exitedWithZero(uninstall.status)) << s.name;
        EXPECT_FALSE(fs::exists(install())) << s.name;
        fs::remove(root_ / "home" / "started");
    }
}

TEST_P(Hostile, DeepTreesNeedFewOpenFiles) {
    fs::path deep = payload();
    for (int i = 0; i < 1000; ++i) deep /= "d";
    writeFile(deep / "bottom.txt", "bottom");
    EXPECT_EQ(pipedWith("1", "ulimit -n 128").err, "");
    EXPECT_EQ(readFile(install() / deep.lexically_relative(payload()) / "bottom.txt"), "bottom");
    EXPECT_NE(pipedWith("2x", "ulimit -n 128").out.find(edition().success), std::string::npos);
    EXPECT_FALSE(fs::exists(install()));
}

TEST_P(Hostile, UninstallRunsNoStrayFileAndLeavesMountsAlone) {
    // A file named like a delete command, without execute permission.
    writeFile(driveC_ / "DelTree", "#!/bin/sh\necho ran > \"$HOME/deltree\"\n");
    writeFile(install() / "a.txt", "a");
    EXPECT_NE(piped("2x").out.find(edition().success), std::string::npos);
    EXPECT_FALSE(fs::exists(root_ / "home" / "deltree"));

    writeFile(root_ / "elsewhere" / "keep.txt", "keep");
    fs::create_directories(install() / "mnt");
    if (mount((root_ / "elsewhere").c_str(), (install() / "mnt").c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "bind mounts are not permitted here";
    mounted_ = install() / "mnt";
    EXPECT_EQ(piped("2x").out, menu() + "\f" + screenText(edition().edition->uninstallFailedScreen));
    EXPECT_EQ(readFile(root_ / "elsewhere" / "keep.txt"), "keep");
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
    // Stopped, then resumed after the shell put its own settings back.
    t.signal(SIGSTOP);
    ASSERT_TRUE(t.stillRunningAfter(50));
    t.setSettings(t.initialSettings());
    t.signal(SIGCONT);
    ASSERT_TRUE(t.stillRunningAfter(100));
    EXPECT_FALSE(sameSettings(t.settings(), t.initialSettings())) << "raw mode is back";
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
