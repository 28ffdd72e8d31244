// What the end-to-end tests share: a throwaway ship folder, drive C and home per test.
#pragma once

// The end-to-end fixture: the real programs run as a user runs them, in a
// throwaway ship folder, with a throwaway Wine prefix as drive C, on a
// pseudo-terminal or with piped keys.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/editions.h"
#include "platform/command_texts.h"
#include "tests/fake_platform.h"
#include "tests/payload.h"
#include "tests/terminal.h"
#include "tests/tree.h"

namespace tembrel::testing {

// A locale in the DOS code page itself, installed or not: the texts go out
// as the very bytes they are.
inline const char* const bytesLocale = "de_DE.CP850";

inline const char* const clearScreen = "\x1b[2J";

// Programs built with AddressSanitizer reserve far more address space than a
// small `ulimit -v` allows, so they cannot be starved of memory: they do not
// even start. (The tests are built with the same flags as the programs.)
#ifdef __SANITIZE_ADDRESS__
inline constexpr bool programsSanitized = true;
#else
inline constexpr bool programsSanitized = false;
#endif

// A ship folder (program payload and a stand-in emulator that records the
// folder it was started from), a Wine prefix and a home, all thrown away after.
class EndToEnd : public ::testing::TestWithParam<EditionRow> {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/launcher-e2e-XXXXXX";
        root_ = mkdtemp(pattern);
        ship_ = root_ / "ship";
        driveC_ = root_ / "wine" / "drive_c";
        makeShip();
    }
    // Drive C empty, the ship folder as shipped.
    void makeShip() {
        fs::create_directories(driveC_);
        fs::create_directories(root_ / "home");
        writePayload(ship_ / folder(), folder(), '/', writeFile, makeFolders);
        writeFile(ship_ / "dosboxportable.exe", "#!/bin/sh\npwd >> \"$HOME/started\"\n");
        fs::permissions(ship_ / "dosboxportable.exe", fs::perms::owner_all | fs::perms::group_read);
    }
    void TearDown() override {
        system(("chattr -R -i " + root_.string() + " 2>/dev/null").c_str());
        // rm, not remove_all: it keeps few folders open however deep the tree.
        system(("rm -rf --one-file-system " + root_.string()).c_str());
    }

    const EditionRow& edition() const { return GetParam(); }
    std::string folder() const { return GetParam().folder(); }
    std::string program() const { return PROGRAMS_DIR "/" + std::string(GetParam().program); }
    fs::path install() const { return driveC_ / folder(); }
    std::vector<std::string> env(const char* lang = "C.UTF-8") const {
        return {"WINEPREFIX=" + (root_ / "wine").string(), "HOME=" + (root_ / "home").string(),
                "PATH=/usr/bin:/bin", "TERM=xterm", std::string("LANG=") + lang};
    }
    // The environment with `var` ("NAME=value") set in place of its own.
    std::vector<std::string> envWith(const std::string& var) const {
        auto e = env();
        std::erase_if(e, [&](const std::string& v) { return v.starts_with(var.substr(0, var.find('=') + 1)); });
        e.push_back(var);
        return e;
    }
    PipedRun piped(const std::string& keys, const char* lang = bytesLocale) const {
        return runPiped(program(), ship_.string(), env(lang), keys);
    }
    std::string started() const { return readFile(root_ / "home" / "started"); }
    std::string menu() const { return screenText(edition().edition->menuScreen); }
    const CommandTexts& texts() const { return edition().edition->commandTexts; }
    // The menu, then the failure screen: its heading, what happened, `why`
    // named beside what stayed, and its last line.
    void expectFailureScreen(const std::string& out, Why why, bool nothingDeleted, const std::string& context) const {
        const FailureTexts& t = edition().edition->failure;
        EXPECT_TRUE(out.starts_with(menu() + "\f" + screenText(t.heading) +
                                    screenText(nothingDeleted ? t.nothingDeleted : t.notAll)))
            << context << out;
        EXPECT_NE(out.find(" - " + std::string(t.why[static_cast<std::size_t>(why)]) + "\n"), std::string::npos)
            << context << out;
        EXPECT_TRUE(out.ends_with(screenText(t.end))) << context;
    }

    fs::path root_, ship_, driveC_;
};

inline bool exitedWithZero(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }

}  // namespace tembrel::testing
