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

#include "editions/english/english.h"
#include "editions/german/german.h"
#include "platform/command_texts.h"
#include "tests/fake_platform.h"
#include "tests/terminal.h"
#include "tests/tree.h"

namespace tembrel::testing {

struct EditionCase {
    const char* name;
    const char* program;
    const Edition* edition;
    std::string folder;
    std::string prompt;    // how the menu ends
    std::string notice;    // from the invalid-key screen
    std::string success;   // from the uninstall success screen
    std::string notFound;  // from the not-found screen
    std::string failed;    // from the failure screen
};
inline void PrintTo(const EditionCase& c, std::ostream* os) { *os << c.name; }

inline const EditionCase english{"English", TEMBREL_LAUNCH, &englishEdition, "Tembrel", "you want: ",
                          "THIS PROGRAM IS NOT LIKELY TO HACKING !!!", " UNINSTALL SUCCESSFUL ",
                          "could not uninstall Tembrel", "could not remove the folder c:\\Tembrel"};
inline const EditionCase german{"German", TEMBRELO_START, &germanEdition, "Tembrelo", "\n eingeben: ",
                         "DIESES PROGRAMM IST NICHT ZUM HACKEN GEEIGNET !!!", " DEINSTALLATION ERFOLGREICH ",
                         "konnte Tembrelo nicht deinstallieren", "konnte den Ordner c:\\Tembrelo nicht"};

// A locale in the DOS code page itself, installed or not: the texts go out
// as the very bytes they are.
inline const char* const bytesLocale = "de_DE.CP850";

inline const char* const clearScreen = "\x1b[2J";

// A ship folder (program payload and a stand-in emulator that records the
// folder it was started from), a Wine prefix and a home, all thrown away after.
class EndToEnd : public ::testing::TestWithParam<EditionCase> {
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
        const fs::path payload = ship_ / folder();
        writeFile(payload / "QBASIC.EXE", "qbasic");
        writeFile(payload / (folder() + ".BAS"), "PRINT \"HELLO\"\r\n");
        writeFile(payload / "sub" / "deep" / "data.bin", std::string("\0\1\2\3", 4));
        writeFile(payload / ".hidden", "dot");
        fs::create_directories(payload / "empty");
        writeFile(ship_ / "dosboxportable.exe", "#!/bin/sh\npwd >> \"$HOME/started\"\n");
        fs::permissions(ship_ / "dosboxportable.exe", fs::perms::owner_all | fs::perms::group_read);
    }
    void TearDown() override {
        system(("chattr -R -i " + root_.string() + " 2>/dev/null").c_str());
        // rm, not remove_all: it keeps few folders open however deep the tree.
        system(("rm -rf --one-file-system " + root_.string()).c_str());
    }

    const EditionCase& edition() const { return GetParam(); }
    const std::string& folder() const { return GetParam().folder; }
    fs::path install() const { return driveC_ / folder(); }
    std::vector<std::string> env(const char* lang = "C.UTF-8") const {
        return {"WINEPREFIX=" + (root_ / "wine").string(), "HOME=" + (root_ / "home").string(),
                "PATH=/usr/bin:/bin", "TERM=xterm", std::string("LANG=") + lang};
    }
    PipedRun piped(const std::string& keys, const char* lang = bytesLocale) const {
        return runPiped(edition().program, ship_.string(), env(lang), keys);
    }
    std::string started() const { return readFile(root_ / "home" / "started"); }
    std::string menu() const { return screenText(edition().edition->menuScreen); }
    const CommandTexts& texts() const { return edition().edition->commandTexts; }

    fs::path root_, ship_, driveC_;
};

inline bool exitedWithZero(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }

}  // namespace tembrel::testing
