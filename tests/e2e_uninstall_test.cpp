// The uninstall as a user runs it: the install folder goes and nothing else,
// a link there goes as a link, and what cannot go is reported.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/e2e.h"

namespace tembrel {
namespace {

using namespace tembrel::testing;

class Uninstall : public EndToEnd {};

TEST_P(Uninstall, UninstallRemovesTheInstallFolderItsLinksAsLinksAndNothingElse) {
    std::string upper = folder();
    for (char& c : upper) c = static_cast<char>(toupper(c));
    for (const char* key : {"2x", "\bx"}) {
        fs::remove_all(driveC_);
        writeFile(install() / "QBASIC.EXE", "q");
        writeFile(install() / "sub" / "deep" / "data.bin", "d");
        writeFile(install() / ".hidden", "h");
        writeFile(install() / "readonly.txt", "r");
        fs::permissions(install() / "readonly.txt", fs::perms::owner_read);
        fs::create_directories(install() / "empty");
        writeFile(root_ / "outside" / "target.txt", "target");
        fs::create_symlink(root_ / "outside", install() / "folder-link");
        fs::create_symlink(root_ / "outside" / "target.txt", install() / "file-link");
        // Decoys: the same name elsewhere, also in upper case, and a file beside the folder.
        writeFile(driveC_ / "Games" / folder() / "save.dat", "decoy");
        writeFile(driveC_ / "Games" / (folder() + ".txt"), "decoy");
        writeFile(driveC_ / "Docs" / folder(), "decoy file");
        writeFile(driveC_ / "Saves" / upper / "keep.txt", "decoy");
        writeFile(driveC_ / "beside.txt", "decoy");
        auto before = snapshot(driveC_);
        std::erase_if(before, [&](const auto& e) { return e.first.rfind(folder() + "/", 0) == 0 || e.first == folder(); });

        const PipedRun run = piped(key);
        EXPECT_TRUE(exitedWithZero(run.status));
        EXPECT_FALSE(fs::exists(fs::symlink_status(install())));
        EXPECT_EQ(snapshot(driveC_), before);
        EXPECT_EQ(snapshot(root_ / "outside"), (std::map<std::string, std::string>{{"target.txt", "file 420 target"}}));
        EXPECT_EQ(run.out, menu() + "\f" + screenText(edition().edition->uninstallSuccessScreen));
    }
}

// A link at the install path is the install: the uninstall removes the link
// and never touches what it points to.
TEST_P(Uninstall, ALinkAtTheInstallPathIsRemovedAsALink) {
    writeFile(root_ / "elsewhere" / "QBASIC.EXE", "kept");
    for (const char* target : {"elsewhere", "nowhere"}) {
        fs::create_symlink(root_ / target, install());
        const PipedRun run = piped("2x");
        EXPECT_TRUE(exitedWithZero(run.status));
        EXPECT_FALSE(fs::exists(fs::symlink_status(install()))) << target;
        EXPECT_EQ(snapshot(root_ / "elsewhere"), (std::map<std::string, std::string>{{"QBASIC.EXE", "file 420 kept"}}));
        EXPECT_EQ(run.out, menu() + "\f" + screenText(edition().edition->uninstallSuccessScreen)) << target;
    }
}

TEST_P(Uninstall, NothingToUninstallShowsTheNotFoundScreen) {
    const std::string notFound = menu() + "\f" + screenText(edition().edition->uninstallNotFoundScreen);
    EXPECT_EQ(piped("2x").out, notFound) << "no install folder";
    writeFile(install(), "a file");
    EXPECT_EQ(piped("2x").out, notFound) << "a file at the install path";
    EXPECT_EQ(readFile(install()), "a file");
    fs::remove(install());
    fs::create_directories(install());
    EXPECT_EQ(piped("2x").out, menu() + "\f" + screenText(edition().edition->uninstallSuccessScreen));
    EXPECT_EQ(piped("2x").out, notFound) << "a second uninstall";
}

// What cannot be deleted stays in the folder the install was moved to: the
// install path is free at once, the next 2 tries again, and 1 installs anew.
TEST_P(Uninstall, AFileThatCannotBeDeletedStaysAsideAndIsReported) {
    writeFile(install() / "locked.txt", "x");
    if (system(("chattr +i " + (install() / "locked.txt").string() + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "this file system cannot make a file immutable";
    const PipedRun run = piped("2x");
    EXPECT_TRUE(exitedWithZero(run.status));
    EXPECT_FALSE(fs::exists(install()));
    expectFailureScreen(run.out, Why::Denied, false, "");
    // del and rd each name the file they left by its path; neither says it found nothing.
    const std::size_t at = run.err.find("c:\\." + folder() + ".partial-");
    ASSERT_NE(at, std::string::npos) << run.err;
    const std::string left = run.err.substr(at, run.err.find(" - ", at) + 3 - at);
    EXPECT_NE(run.err.find(left), run.err.rfind(left)) << run.err;
    EXPECT_EQ(run.err.find(texts().couldNotFind.substr(0, 9)), std::string::npos);
    EXPECT_EQ(piped("2x").out, run.out) << "the next uninstall tries again, and says it failed";
    piped("1");
    EXPECT_EQ(snapshot(install()), snapshot(ship_ / folder())) << "the next launch installs anew";
}

// Whatever stops an uninstall, the install path holds the whole install or
// nothing, and the next 1 starts the emulator only on a whole install. A
// program working inside the install keeps it whole: nothing is deleted. A 1
// started once the install has gone aside installs anew, and the running
// uninstall leaves that install alone. Rows: a signal, 0 for a program inside
// the install, -1 for a second launcher's 1.
TEST_P(Uninstall, AStoppedOrRefusedUninstallLeavesTheWholeInstallOrNone) {
    for (int i = 0; i < 3000; ++i) writeFile(ship_ / folder() / "many" / std::to_string(i), "x");
    const auto payload = snapshot(ship_ / folder());
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGKILL, 0, -1}) {
        piped("1");
        ASSERT_EQ(snapshot(install()), payload);
        pid_t user = 0;  // a program whose working folder is in the install
        if (sig == 0 && (user = fork()) == 0) {
            if (chdir(install().c_str()) == 0) execl("/bin/sleep", "sleep", "30", nullptr);
            _exit(1);
        }
        Terminal t({program()}, ship_.string(), env());
        ASSERT_TRUE(t.waitFor(edition().prompt));
        if (user != 0) t.stillRunningAfter(100);
        t.type("2");
        while (sig != 0 && fs::exists(install()) && t.stillRunningAfter(1)) {
        }
        if (sig > 0) t.signal(sig);
        if (sig == -1) {
            piped("1");
            EXPECT_EQ(snapshot(install()), payload) << "1 during 2";
        }
        // After a 1 during it, the 2 reports success: its own install is gone.
        const std::string last = sig == -1 ? edition().success : edition().failed;
        if (sig <= 0) {
            EXPECT_TRUE(t.waitFor(last, 30000)) << t.output();
            t.type("x");
        }
        t.wait();
        EXPECT_TRUE(fs::exists(install()) ? snapshot(install()) == payload : sig > 0) << "row " << sig;
        if (user != 0) {
            kill(user, SIGKILL);
            waitpid(user, nullptr, 0);
        }
        piped("1");
        EXPECT_EQ(snapshot(install()), payload) << "row " << sig;
        fs::remove_all(install());
    }
}

INSTANTIATE_TEST_SUITE_P(Editions, Uninstall, ::testing::ValuesIn(editionRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel
