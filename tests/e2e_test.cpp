// The real programs, run as a user runs them: in a throwaway ship folder, with
// a throwaway Wine prefix as drive C, on a pseudo-terminal or with piped keys.

#include <signal.h>

#include "platform/oem.h"
#include "tests/e2e.h"

namespace tembrel {
namespace {

using namespace tembrel::testing;

// ---- on a terminal ----

TEST_P(EndToEnd, ExitKeysEndAtOnceAndLeaveTheTerminalAsItWas) {
    for (const auto& [key, late] : {std::pair{"3", ""}, {"\x1b", ""}, {"\x1b", "[A"}}) {
        Terminal t({program()}, ship_.string(), env());
        ASSERT_TRUE(t.waitFor(edition().prompt)) << t.output();
        t.type(key);
        if (*late != '\0') { usleep(130'000); t.type(late); }
        EXPECT_TRUE(exitedWithZero(t.wait()));
        EXPECT_EQ(t.unreadInput(), 0) << "nothing left for the shell";
        // Nothing follows the prompt: no echo, no text.
        EXPECT_EQ(t.output().substr(t.output().size() - edition().prompt.size()), edition().prompt);
        EXPECT_TRUE(sameSettings(t.settings(), t.initialSettings()));
    }
}

TEST_P(EndToEnd, UnmappedKeysShowTheNoticeAndWaitForOneMoreKey) {
    for (const char* key : {"4", "a", "\x03", "\x1b[A", "\x1bOP", "\x1b[15~", "\x1b[1;5C"}) {
        Terminal t({program()}, ship_.string(), env());
        ASSERT_TRUE(t.waitFor(edition().prompt));
        t.type(key);
        ASSERT_TRUE(t.waitFor(edition().notice)) << t.output();
        // Nothing of the key was left over to end the wait.
        EXPECT_TRUE(t.stillRunningAfter(300)) << "key " << key + 1;
        t.type("x");
        EXPECT_TRUE(exitedWithZero(t.wait()));
        const std::string& out = t.output();
        const std::size_t prompt = out.find(edition().prompt) + edition().prompt.size();
        EXPECT_EQ(out.find(clearScreen, prompt), out.find("\x1b[", prompt) + 3) << "the console is cleared first";
        EXPECT_EQ(out.find("\x1b[3J"), std::string::npos) << "the scrollback stays";
        EXPECT_EQ(out.find(edition().prompt, prompt), std::string::npos) << "the menu is shown once";
        EXPECT_EQ(out.substr(out.size() - 4), "\r\n\r\n") << "nothing echoed after the notice";
        EXPECT_TRUE(sameSettings(t.settings(), t.initialSettings()));
    }
}

TEST_P(EndToEnd, SignalsWhileWaitingRestoreTheTerminal) {
    for (int sig : {SIGTERM, SIGHUP}) {
        Terminal t({program()}, ship_.string(), env());
        ASSERT_TRUE(t.waitFor(edition().prompt));
        ASSERT_TRUE(t.stillRunningAfter(50));
        t.signal(sig);
        const int status = t.wait();
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
        EXPECT_TRUE(sameSettings(t.settings(), t.initialSettings()));
    }
}

// Five Backspaces typed at once uninstall once: the four typed ahead of the
// result screen never end it before it can be read.
TEST_P(EndToEnd, UninstallOnATerminalWaitsForOneMoreKey) {
    for (const char* key : {"2", "\x7f", "\x7f\x7f\x7f\x7f\x7f"}) {
        writeFile(install() / "file.txt", "x");
        Terminal t({program()}, ship_.string(), env());
        ASSERT_TRUE(t.waitFor(edition().prompt));
        t.type(key);
        ASSERT_TRUE(t.waitFor(edition().success)) << t.output();
        EXPECT_TRUE(t.stillRunningAfter(200));
        EXPECT_FALSE(fs::exists(install()));
        t.type(" ");
        EXPECT_TRUE(exitedWithZero(t.wait()));
        EXPECT_TRUE(sameSettings(t.settings(), t.initialSettings()));
    }
}

// ---- with keys piped in ----

TEST_P(EndToEnd, ScreensAreWrittenByteForByte) {
    const PipedRun exit = piped("3");
    EXPECT_TRUE(exitedWithZero(exit.status));
    EXPECT_EQ(exit.out, menu());
    const PipedRun invalid = piped("4x");
    EXPECT_EQ(invalid.out, menu() + "\f" + screenText(edition().edition->invalidKeyScreen));
}

TEST_P(EndToEnd, LettersBeyondAsciiFollowTheLocale) {
    const std::string raw = menu();
    EXPECT_EQ(piped("3").out, raw) << "any other locale gets the bytes as they are";
    EXPECT_EQ(piped("3", "C").out, oemToAscii(raw)) << "an ASCII-only one gets the letters spelled out";
    EXPECT_EQ(piped("3", "POSIX").out, oemToAscii(raw));
    EXPECT_EQ(piped("3", "C.UTF-8").out, oemToUtf8(raw));
    EXPECT_EQ(piped("3", "xx_XX.UTF-8").out, oemToUtf8(raw)) << "named, though not installed";
    EXPECT_EQ(piped("3", "de_DE.ISO-8859-1").out, oemToLatin1(raw));
    EXPECT_EQ(piped("3", "de_DE.iso885915@euro").out, oemToLatin9(raw));
    EXPECT_EQ(piped("3", "de_DE.ISO-8859-15").out, oemToLatin9(raw));
    // The interpreter's messages follow it too, beside a name that is the disk's own.
    fs::create_symlink("/", ship_ / folder() / "\u00e4u\u00dfer");
    const CommandTexts& texts = edition().edition->commandTexts;
    const std::string skipped = oemToUtf8(fillIn(texts.skipped, {"{}", texts.linkNotFollowed}));
    EXPECT_NE(piped("1", "C.UTF-8").err.find(fillIn(skipped, {"\u00e4u\u00dfer"})), std::string::npos);
    const std::string utf8 = piped("3", "C.UTF-8").out;
    for (const std::string& word : edition().letters()) EXPECT_NE(utf8.find(word), std::string::npos) << word;
}

TEST_P(EndToEnd, FirstLaunchInstallsThePayloadAndStartsTheEmulator) {
    for (const char* key : {"1", "\r", "\n"}) {
        fs::remove_all(install());
        fs::remove(root_ / "home" / "started");
        const PipedRun run = piped(key);
        EXPECT_TRUE(exitedWithZero(run.status));
        EXPECT_EQ(snapshot(install()), snapshot(ship_ / folder())) << "key " << int(key[0]);
        EXPECT_EQ(started(), ship_.string() + "\n");
        EXPECT_NE(run.out.find(fillIn(texts().filesCopied, {"4"})), std::string::npos) << run.out;
    }
}

TEST_P(EndToEnd, LaterLaunchesCopyNothing) {
    piped("1");
    const auto installed = snapshot(install());
    writeFile(ship_ / folder() / "new.txt", "new");
    const PipedRun second = piped("1");
    EXPECT_TRUE(exitedWithZero(second.status));
    EXPECT_EQ(second.out, menu());
    EXPECT_EQ(snapshot(install()), installed);
    EXPECT_EQ(started(), ship_.string() + "\n" + ship_.string() + "\n");
}

TEST_P(EndToEnd, AnInstallFollowsDosDevices) {
    fs::create_directories(root_ / "wine" / "dosdevices");
    fs::create_directory_symlink(root_ / "home", root_ / "wine" / "dosdevices" / "c:");  // a folder elsewhere
    piped("1");
    EXPECT_EQ(snapshot(root_ / "home" / folder()), snapshot(ship_ / folder()));
}

TEST_P(EndToEnd, AnyFolderAtTheInstallPathCountsAsInstalled) {
    std::string upper = folder();
    for (char& c : upper) c = static_cast<char>(toupper(c));
    for (const std::string& name : {folder(), upper}) {
        fs::remove_all(driveC_);
        fs::create_directories(driveC_ / name);
        EXPECT_TRUE(exitedWithZero(piped("1").status));
        EXPECT_TRUE(fs::is_empty(driveC_ / name)) << name;
        EXPECT_EQ(std::distance(fs::directory_iterator(driveC_), fs::directory_iterator()), 1) << name;
    }
}

TEST_P(EndToEnd, AFileOrADeadLinkAtTheInstallPathIsLeftAlone) {
    const std::string said = fillIn(edition().edition->notAFolderAtInstallPath, {"c:\\" + folder()});
    for (const bool link : {false, true}) {
        if (link) fs::create_symlink(root_ / "nowhere", install());
        if (!link) writeFile(install(), "not a folder");
        const PipedRun run = piped("1");
        EXPECT_TRUE(exitedWithZero(run.status));
        EXPECT_EQ(run.out, menu() + said + screenText(edition().edition->notInstalledScreen)) << link;
        EXPECT_TRUE(link ? fs::is_symlink(install()) : readFile(install()) == "not a folder");
        EXPECT_EQ(started(), ship_.string() + "\n");
        fs::remove(install());
        fs::remove(root_ / "home" / "started");
    }
}

TEST_P(EndToEnd, AMissingPayloadMakesNoInstall) {
    fs::remove_all(ship_ / folder());
    const PipedRun run = piped("1");
    EXPECT_TRUE(exitedWithZero(run.status));
    EXPECT_FALSE(fs::exists(install()));
    EXPECT_NE(run.out.find(screenText(edition().edition->payloadMissingScreen)), std::string::npos) << run.out;
    EXPECT_EQ(started(), ship_.string() + "\n") << "the emulator is still started from the ship folder";
}

TEST_P(EndToEnd, AWindowsEmulatorRunsThroughWine) {
    // A Windows program ("MZ") and a stand-in wine on the PATH that records its arguments.
    writeFile(ship_ / "dosboxportable.exe", "MZ\x90\x00 not really a program");
    writeFile(root_ / "bin" / "wine", "#!/bin/sh\necho \"$PWD $*\" >> \"$HOME/started\"\n");
    fs::permissions(root_ / "bin" / "wine", fs::perms::owner_all);
    auto withWine = env();
    withWine[2] = "PATH=" + (root_ / "bin").string() + ":/usr/bin:/bin";
    const PipedRun run = runPiped(program(), ship_.string(), withWine, "1");
    EXPECT_TRUE(exitedWithZero(run.status));
    EXPECT_EQ(started(), ship_.string() + " " + (ship_ / "dosboxportable.exe").string() + "\n");

    // Without wine it is reported, never run as a script.
    withWine[2] = "PATH=" + (root_ / "home").string();
    fs::remove(root_ / "home" / "started");
    const PipedRun without = runPiped(program(), ship_.string(), withWine, "1");
    EXPECT_TRUE(exitedWithZero(without.status));
    EXPECT_NE(without.err.find(oemToUtf8(texts().wineMissing)), std::string::npos) << without.err;
    EXPECT_EQ(started(), "");
}

// A starter that is missing or cannot run is named, with the reason.
TEST_P(EndToEnd, AMissingEmulatorStillEndsWithZero) {
    const std::string starter = "dosboxportable.exe";
    const std::pair<const char*, std::string> cases[] = {
        {"#!/bin/sh\r\necho\r\n", fillIn(texts().cannotStart, {starter, texts().interpreterLineCr})},
        {"#!/nonexistent/sh\n", fillIn(texts().cannotStart, {starter, texts().interpreterMissing})},
        {nullptr, fillIn(texts().notRecognized, {starter})},
    };
    for (const auto& [script, said] : cases) {
        fs::remove(ship_ / starter);
        if (script != nullptr) writeFile(ship_ / starter, script);
        if (script != nullptr) fs::permissions(ship_ / starter, fs::perms::owner_all);
        const PipedRun run = piped("1");
        EXPECT_TRUE(exitedWithZero(run.status));
        EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
    }
}

TEST_P(EndToEnd, UnknownTerminalsGetAFormFeed) {
    for (const char* term : {"TERM=dumb", "TERM=", "TERM=adm3a"}) {
        Terminal t({program()}, ship_.string(), envWith(term));
        ASSERT_TRUE(t.waitFor(edition().prompt));
        t.type("4");
        ASSERT_TRUE(t.waitFor(edition().notice));
        t.type("x");
        EXPECT_TRUE(exitedWithZero(t.wait()));
        EXPECT_EQ(t.output().find('\x1b'), std::string::npos) << term;
        EXPECT_NE(t.output().find('\f'), std::string::npos) << term;
    }
}

TEST_P(EndToEnd, TheTerminalSurvivesJobControlAndTypeAhead) {
    Terminal t({program()}, ship_.string(), env());
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

INSTANTIATE_TEST_SUITE_P(Editions, EndToEnd, ::testing::ValuesIn(editionRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel
