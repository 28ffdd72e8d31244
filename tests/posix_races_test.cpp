// The POSIX commands' guards against races, each made to happen at a set moment.

#include "tests/posix_shell.h"

namespace tembrel {
namespace {

TEST_F(ShellTest, XcopyNamesTheSideThatFailedAndNeverFollowsALinkSwappedIn) {
    const CommandTexts& t = englishEdition.commandTexts;
    struct Case { const char* name; int (*change)(int, const char*); std::string error; };
    const Case cases[] = {
        {"gone", [](int at, const char* n) { return unlinkat(at, n, 0); }, fillIn(t.fileNotFound, {"gone"})},
        {"locked", [](int at, const char* n) { return fchmodat(at, n, 0, 0); }, fillIn(t.cannotReadFile, {"locked", errorText(EACCES)})},
        {"folder", [](int at, const char* n) { return unlinkat(at, n, 0) | mkdirat(at, n, 0700); }, fillIn(t.cannotReadFile, {"folder", errorText(EISDIR)})},
        {"flip", [](int at, const char* n) { return unlinkat(at, n, 0) | symlinkat("../secret", at, n); }, fillIn(t.skipped, {"flip", t.linkNotFollowed})},
        {"taken", nullptr, fillIn(t.cannotCopyFile, {"taken", errorText(EISDIR)})}};
    static const Case* now;
    beforeEntry = [](int at, const std::string& n) { (void)(n == now->name && now->change && now->change(at, n.c_str())); };
    __user_cap_header_struct head{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2]{}, lowered[2]{};
    syscall(SYS_capget, &head, saved);
    lowered[0] = saved[0], lowered[1] = saved[1], lowered[0].effective &= ~(1u << CAP_DAC_OVERRIDE | 1u << CAP_DAC_READ_SEARCH);
    syscall(SYS_capset, &head, lowered);
    writeFile("secret", "secret");
    for (const Case& k : cases) {
        now = &k;
        fs::remove_all(c("Out"));
        writeFile(std::string("P/") + k.name, "payload");
        if (k.change == nullptr) fs::create_directories(c("Out") / k.name);
        fs::current_path("P");
        EXPECT_EQ(run("xcopy *.* C:\\Out /e /h /i").err, k.error) << k.name;
        fs::current_path("..");
        fs::remove_all("P");
        EXPECT_FALSE(fs::is_regular_file(c("Out") / k.name)) << k.name;
    }
    syscall(SYS_capset, &head, saved);
    beforeEntry = nullptr;
}

// A staging folder a running launcher holds is its own: another's sweep
// leaves it, and takes it once the first has let go of it (killed, say).
TEST_F(ShellTest, AHeldStagingFolderOutlivesAnotherLaunchersSweep) {
    PosixHost first(englishEdition.commandTexts, {driveC_, ""}), second(englishEdition.commandTexts, {driveC_, ""});
    ASSERT_EQ(first.makeStaging("c:\\.Tembrel.partial-1", "c:\\Tembrel"), Outcome::Done);
    writeFile(c(".Tembrel.partial-1/file"), "x");
    EXPECT_EQ(second.removeStoppedCopies("c:\\Tembrel"), Leftovers::None);
    EXPECT_EQ(readFile(c(".Tembrel.partial-1/file")), "x");
    first.endStaging("c:\\.Tembrel.partial-1");
    EXPECT_EQ(second.removeStoppedCopies("c:\\Tembrel"), Leftovers::Removed);
}

// rd's own check for the ship folder holds where the ship folder takes a
// name in the tree after the delete began, past any check made before it.
TEST_F(ShellTest, RdLeavesTheShipFolderMovedIntoItsTreeMeanwhile) {
    writeFile("keep.txt", "keep");
    fs::create_directories(c("Tembrel/sub"));
    static fs::path ship;
    ship = root_ / "ship";
    beforeEntry = [](int at, const std::string& n) { (void)(n == "sub" && !unlinkat(at, "sub", AT_REMOVEDIR) && renameat(AT_FDCWD, ship.c_str(), at, "sub")); };
    const CommandOutput output = run("rd c:\\Tembrel /s /q");
    beforeEntry = nullptr;
    EXPECT_EQ(output.err, fillIn(englishEdition.commandTexts.cannotRemove, {"c:\\Tembrel\\sub", englishEdition.commandTexts.shipFolderLeftAlone}));
    EXPECT_EQ(readFile(c("Tembrel/sub/keep.txt")), "keep");
}

}  // namespace
}  // namespace tembrel
