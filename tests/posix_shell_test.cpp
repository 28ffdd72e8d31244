// The POSIX commands through the interpreter's front: copy, delete, programs, names.

#include "tests/posix_shell.h"

namespace tembrel {
namespace {

TEST_F(ShellTest, XcopyCopiesThePayloadExactly) {
    writeFile("Tembrel/QBASIC.EXE", "qbasic");
    writeFile("Tembrel/sub/deeper/data.bin", std::string("\0\1\2binary", 9));
    writeFile("Tembrel/.hidden", "dot");
    writeFile("Tembrel/readonly.txt", "ro");
    writeFile("Tembrel/run.sh", "#!/bin/sh\n");
    fs::create_directories("Tembrel/empty");
    chmod("Tembrel/readonly.txt", 0444);
    chmod("Tembrel/run.sh", 0755);
    struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    utimensat(AT_FDCWD, "Tembrel/QBASIC.EXE", old, 0);

    fs::current_path("Tembrel");
    const CommandOutput output = run("xcopy *.* C:\\Tembrel /e /h /i");
    EXPECT_EQ(output.err, "");
    EXPECT_NE(output.out.find("sub\\deeper\\data.bin\n"), std::string::npos) << output.out;
    EXPECT_EQ(output.out.substr(output.out.size() - 17), "5 File(s) copied\n");

    auto expected = snapshot(root_ / "ship" / "Tembrel");
    expected["readonly.txt"] = "file " + std::to_string(0644) + " ro";  // the read-only mark is dropped
    EXPECT_EQ(snapshot(c("Tembrel")), expected);
    struct stat st;
    ASSERT_EQ(stat(c("Tembrel/QBASIC.EXE").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1000000000) << "times are kept";
}

// Only the launcher's own form copies: the hosts would differ on any other.
TEST_F(ShellTest, XcopyWithoutHiddenOrEmptySwitchesIsRefused) {
    writeFile("P/a.txt", "a");
    fs::current_path("P");
    EXPECT_EQ(run("xcopy *.* C:\\Out /s /i").err, "The syntax of the command is incorrect.\n");
    EXPECT_FALSE(fs::exists(c("Out")));
}

// Nothing is copied onto a file at the destination, nor where a link on drive
// C leads, at the destination or on the way to it.
TEST_F(ShellTest, XcopyLeavesWhatStandsAtTheDestinationAlone) {
    writeFile("P/a.txt", "a");
    writeFile(c("Tembrel"), "precious");
    fs::create_directories(root_ / "outside");
    fs::create_symlink(root_ / "outside", c("Link"));
    fs::current_path("P");
    for (const char* line : {"xcopy *.* C:\\Tembrel /e /h /i", "xcopy *.* C:\\Link /e /h /i", "xcopy *.* c:\\link\\sub /e /h /i"}) {
        const CommandOutput output = run(line);
        EXPECT_NE(output.err, "") << line;
        EXPECT_EQ(output.out, "0 File(s) copied\n") << line;
    }
    EXPECT_EQ(readFile(c("Tembrel")), "precious");
    EXPECT_TRUE(fs::is_empty(root_ / "outside"));
}

// Every link in the payload is skipped and named, wherever it leads.
TEST_F(ShellTest, XcopySkipsAndNamesEveryLink) {
    writeFile("outside.txt", "target");
    writeFile("P/a.txt", "a");
    writeFile("P/sub/b.txt", "b");
    fs::create_symlink("a.txt", "P/file-link");
    fs::create_symlink("sub", "P/folder-link");
    fs::create_symlink("b.txt", "P/sub/inner-link");
    fs::create_symlink("../outside.txt", "P/outside-link");
    fs::create_symlink("loop2", "P/loop1");
    fs::create_symlink("loop1", "P/loop2");
    fs::create_symlink("..", "P/up");
    fs::create_symlink("/", "P/root");
    fs::create_symlink("missing", "P/dangling");
    fs::current_path("P");
    const CommandOutput output = run("xcopy *.* C:\\Out /e /h /i");
    EXPECT_EQ(snapshot(c("Out")), (std::map<std::string, std::string>{
                                      {"a.txt", "file 420 a"}, {"sub", "folder"}, {"sub/b.txt", "file 420 b"}}));
    EXPECT_EQ(output.out.substr(output.out.size() - 17), "2 File(s) copied\n");
    const CommandTexts& texts = englishEdition.commandTexts;
    for (const char* link : {"file-link", "folder-link", "sub\\inner-link", "loop1", "loop2", "up", "root", "dangling",
                             "outside-link"})
        EXPECT_NE(output.err.find(fillIn(texts.skipped, {link, texts.linkNotFollowed})), std::string::npos) << link;
}

TEST_F(ShellTest, DelStaysInsideItsFolderAndNeverFollowsLinks) {
    writeFile(c("Tembrel/a.txt"), "a");
    writeFile(c("Tembrel/sub/b.txt"), "b");
    writeFile(c("Tembrel/.dot"), "d");
    writeFile(c("Other/Tembrel/keep.txt"), "decoy");
    writeFile(c("Other/Tembrel.txt"), "decoy");
    writeFile(c("Other/target.txt"), "target");
    writeFile(c("Linked/keep.txt"), "target");
    fs::create_symlink(c("Other/target.txt"), c("Tembrel/file-link"));
    fs::create_symlink(c("Linked"), c("Tembrel/folder-link"));
    fs::current_path(driveC_);
    const auto before = snapshot(c("Other"));

    const CommandOutput output = run("del c:\\TEMBREL\\*.* /s /q");
    EXPECT_EQ(output.err, "");
    EXPECT_EQ(snapshot(c("Tembrel")), (std::map<std::string, std::string>{{"sub", "folder"}}));
    EXPECT_EQ(snapshot(c("Other")), before);
    EXPECT_EQ(readFile(c("Linked/keep.txt")), "target");
}

TEST_F(ShellTest, DelOfAFolderDeletesItsFiles) {
    writeFile(c("T/a.txt"), "a");
    writeFile(c("T/sub/b.txt"), "b");
    run("del c:\\T /s /q");
    EXPECT_EQ(snapshot(c("T")), (std::map<std::string, std::string>{{"sub", "folder"}}));
    EXPECT_NE(run("del c:\\T\\nothing.txt /s /q").err, "");
}

TEST_F(ShellTest, RdRemovesTheTreeAndNothingItLinksTo) {
    writeFile(c("Tembrel/readonly.txt"), "ro");
    chmod(c("Tembrel/readonly.txt").c_str(), 0444);
    writeFile(c("Tembrel/locked/inner.txt"), "x");
    chmod(c("Tembrel/locked").c_str(), 0555);
    writeFile(c("Elsewhere/keep.txt"), "keep");
    fs::create_symlink(c("Elsewhere"), c("Tembrel/folder-link"));
    fs::create_symlink(c("Elsewhere/keep.txt"), c("Tembrel/file-link"));
    const CommandOutput output = run("rd c:\\tembrel /s /q");
    EXPECT_EQ(output.err, "");
    EXPECT_FALSE(fs::exists(fs::symlink_status(c("Tembrel"))));
    EXPECT_EQ(readFile(c("Elsewhere/keep.txt")), "keep");
}

TEST_F(ShellTest, RdOfALinkRemovesTheLinkOnly) {
    writeFile(c("Elsewhere/keep.txt"), "keep");
    fs::create_symlink(c("Elsewhere"), c("Tembrel"));
    run("rd c:\\Tembrel /s /q");
    EXPECT_FALSE(fs::exists(fs::symlink_status(c("Tembrel"))));
    EXPECT_EQ(readFile(c("Elsewhere/keep.txt")), "keep");
}

// A folder rd empties but cannot remove is named as given, not by the last
// entry it deleted.
TEST_F(ShellTest, RdNamesTheFolderItCouldNotRemove) {
    writeFile(c("locked/T/x.txt"), "x");
    if (system(("chattr +i '" + c("locked").string() + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "this file system cannot make a folder immutable";
    const CommandOutput output = run("rd c:\\locked\\T /s /q");
    (void)!system(("chattr -i '" + c("locked").string() + "'").c_str());
    EXPECT_EQ(output.err, "c:\\locked\\T - " + errorText(EPERM) + "\n");
    EXPECT_TRUE(fs::is_empty(c("locked/T")));
}

TEST_F(ShellTest, RdAndDelReportWhatTheyCannotRemoveOrFind) {
    writeFile(c("file"), "x");
    fs::create_directories(c("full/sub"));
    writeFile(root_ / "outside" / "sub" / "keep.txt", "keep");
    fs::create_symlink(root_ / "outside", c("away"));
    struct Case {
        const char* line;
        const char* error;
    };
    const Case cases[] = {
        {"rd c:\\missing /s /q", "The system cannot find the file specified.\n"},
        {"rd c:\\file /s /q", "The directory name is invalid.\n"},
        {"rd c:\\full", "The syntax of the command is incorrect.\n"},
        {"del c:\\missing\\*.* /s /q", "Could Not Find c:\\missing\\*.*\n"},
        {"del c:\\full\\*.* /s /q", "Could Not Find c:\\full\\*.*\n"},
        {"rd c:\\away\\sub /s /q", "The system cannot find the file specified.\n"},  // never through a link
    };
    for (const Case& k : cases) EXPECT_EQ(run(k.line).err, k.error) << k.line;
    EXPECT_EQ(readFile(c("file")), "x");
    EXPECT_TRUE(fs::is_directory(c("full/sub")));
    EXPECT_EQ(readFile(root_ / "outside" / "sub" / "keep.txt"), "keep");
}

TEST_F(ShellTest, ProgramsComeFromTheShipFolderAlone) {
    writeFile("bin/tool", "#!/bin/sh\n");
    chmod("bin/tool", 0755);
    writeFile("sub/inner", "#!/bin/sh\n");
    chmod("sub/inner", 0755);
    writeFile("Ship.exe", "MZ");
    writeFile("plain", "#!/bin/sh\n");
    writeFile("Run", "#!/bin/sh\n");
    chmod("Run", 0700);
    const std::string oldPath = getenv("PATH");
    setenv("PATH", (root_ / "ship" / "bin").c_str(), 1);
    const int ship = open(".", O_PATH | O_DIRECTORY);
    const std::pair<const char*, const char*> cases[] = {
        {"run", "Run"}, {"SHIP.EXE", "Ship.exe"}, {"plain", ""}, {"tool", ""}, {"sub\\inner", ""}, {"sub/inner", ""},
    };
    for (const auto& [name, found] : cases) EXPECT_EQ(findProgram(ship, name), found) << name;
    close(ship);
    setenv("PATH", oldPath.c_str(), 1);
}

TEST_F(ShellTest, XcopyShowsEachFileAsItIsCopied) {
    writeFile("P/b.txt", "b");
    writeFile("P/a.txt", "a");
    writeFile("P/sub/c.txt", "c");
    fs::current_path("P");
    std::vector<std::string> lines;
    run("xcopy *.* C:\\Out /e /h /i", &lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"a.txt\n", "b.txt\n", "sub\\c.txt\n", "3 File(s) copied\n"}));
}

// A file changed after the listing (by the walk's hook, before its open), or
// in the way in the destination: the side that failed is named, and a link
// put in its place is skipped, never followed. Root reads any file, so this
// thread does without that while the table runs.
TEST_F(ShellTest, FolderChainsFindTheirWayBackFromAnyDepth) {
    // Twenty levels, then twenty-one more, moved elsewhere while the chain
    // is at their bottom: on the way back up, ".." of the moved top leads
    // elsewhere.
    fs::path down = "walk";
    for (int i = 0; i < 20; ++i) down /= "d";
    const fs::path moved = down / "e";
    for (int i = 0; i < 21; ++i) down /= "e";
    fs::create_directories(down);
    FolderChain chain(open("walk", O_RDONLY | O_DIRECTORY));
    std::vector<FileId> ids;
    for (int i = 0; i < 41; ++i) {
        ids.push_back(chain.id());
        ASSERT_TRUE(chain.enter(i < 20 ? "d" : "e")) << ids.size();
    }
    fs::rename(moved, root_ / "away");
    for (; !ids.empty(); ids.pop_back()) {
        chain.leave();
        struct stat st {};
        ASSERT_EQ(fstat(chain.fd(), &st), 0) << ids.size();
        EXPECT_EQ(idOf(st), ids.back()) << ids.size();
    }
}

}  // namespace
}  // namespace tembrel
