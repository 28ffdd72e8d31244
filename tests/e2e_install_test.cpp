// The first install is whole or absent: however the copy fails or stops, no
// install stands at the install path, and the next "1" installs whole.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>

#include "tests/e2e_hostile.h"

namespace tembrel {
namespace {

using namespace tembrel::testing;

class FirstInstall : public Hostile {};

// A copy that could not copy everything leaves no install behind, its
// messages stay, and the emulator still starts.
TEST_P(FirstInstall, AFailedCopyIsNoInstall) {
    writeFile(payload() / "big.bin", std::string(1 << 20, 'b'));
    struct Case {
        const char* prelude;
        bool diskFull;
        const char* reason;
    };
    const Case cases[] = {
        {"ulimit -f 64", false, "File too large"},
        {"ulimit -n 12", false, "Too many open files"},
        {"", true, "No space left on device"},
    };
    for (const Case& c : cases) {
        if (c.diskFull && mount("tmpfs", driveC_.c_str(), "tmpfs", 0, "size=512k") != 0) continue;
        if (c.diskFull) mounted_ = driveC_;
        fs::remove(root_ / "home" / "started");
        const PipedRun run = pipedWith("1", c.prelude);
        EXPECT_TRUE(exitedWithZero(run.status)) << c.reason;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
        EXPECT_NE(run.out.find(fillIn(texts().filesCopied, {""})), std::string::npos) << "the count stays";
        EXPECT_FALSE(fs::exists(install())) << c.reason;
        // With so few descriptors the stand-in emulator starts but cannot record it.
        const std::string emulator = (ship_ / "dosboxportable.exe").string() + ": ";
        EXPECT_TRUE(started() == ship_.string() + "\n" || run.err.find(emulator) != std::string::npos) << c.reason;
    }
}

// However a first copy stops (a key at the terminal, a signal, a kill, too
// little memory), no install stands at the install path, no staging folder
// outlives the next start, and the next "1" installs whole. The listing's
// long names fill the terminal, so the copy waits, under way, for the test
// to read on.
TEST_P(FirstInstall, AStoppedFirstCopyLeavesNoInstall) {
    for (int i = 0; i < 2000; ++i) writeFile(payload() / (std::to_string(i) + std::string(200, 'n')), "x");
    const auto staging = [&] { return stagingFolders(driveC_, folder()); };
    const auto installsWhole = [&](const char* what) {
        EXPECT_TRUE(exitedWithZero(pipedWith("1", "").status)) << what;
        EXPECT_EQ(staging(), 0) << what;
        EXPECT_EQ(snapshot(install(), false), snapshot(payload(), false)) << what;
        fs::remove_all(install());
    };
    struct Stop {
        const char* what;
        int signal;  // 0: Ctrl+C typed
        bool leftover;
    };
    for (const Stop& stop : {Stop{"Ctrl+C", 0, false}, {"SIGTERM", SIGTERM, false}, {"SIGHUP", SIGHUP, false},
                             {"SIGQUIT", SIGQUIT, false}, {"SIGKILL", SIGKILL, true}}) {
        Terminal t({program()}, ship_.string(), env());
        ASSERT_TRUE(t.waitFor(edition().prompt));
        t.type("1");
        while (staging() == 0 && t.stillRunningAfter(1)) {
        }
        stop.signal == 0 ? t.type("\x03") : t.signal(stop.signal);
        const int status = t.wait();
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == (stop.signal ? stop.signal : SIGINT)) << stop.what;
        EXPECT_TRUE(sameSettings(t.settings(), t.initialSettings())) << stop.what;
        EXPECT_FALSE(fs::exists(install())) << stop.what;
        EXPECT_EQ(staging(), stop.leftover ? 1 : 0) << stop.what;
        installsWhole(stop.what);
    }
    // Out of memory: a payload too deep for it; the emulator still starts.
    // The depth is the same for every edition: the first one runs out.
    if (edition().edition != editionRows[0].edition || programsSanitized) return;
    const int fd = deepPayload(30000);
    close(fd);
    fs::remove(root_ / "home" / "started");
    const PipedRun starved = pipedWith("1", "ulimit -v 6000");
    EXPECT_TRUE(exitedWithZero(starved.status));
    EXPECT_NE(starved.err.find(texts().outOfMemory), std::string::npos) << starved.err;
    EXPECT_FALSE(fs::exists(install()));
    EXPECT_EQ(started(), ship_.string() + "\n");
    system(("rm -rf " + (payload() / "d").string()).c_str());
    installsWhole("out of memory");
}

// Two launches at once: one install, whole, and no staging folder left.
TEST_P(FirstInstall, TwoFirstLaunchesAtOnceMakeOneWholeInstall) {
    for (int i = 0; i < 2000; ++i) writeFile(payload() / std::to_string(i), std::string(4096, 'x'));
    {
        Terminal first({program()}, ship_.string(), env()), second({program()}, ship_.string(), env());
        ASSERT_TRUE(first.waitFor(edition().prompt) && second.waitFor(edition().prompt));
        first.type("1");
        second.type("1");
        EXPECT_TRUE(exitedWithZero(first.wait(60000)) && exitedWithZero(second.wait(60000)));
    }
    EXPECT_EQ(started(), ship_.string() + "\n" + ship_.string() + "\n");
    EXPECT_EQ(snapshot(install(), false), snapshot(payload(), false));
    for (const auto& e : fs::directory_iterator(driveC_)) EXPECT_EQ(e.path(), install());
}

INSTANTIATE_TEST_SUITE_P(Editions, FirstInstall, ::testing::ValuesIn(editionRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel
