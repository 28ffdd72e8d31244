// What every Windows test shares: the editions' programs and texts, a throwaway work
// folder with a fresh ship folder per test, the install folders on drive C
// guarded, and a run of a program with keys typed at it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/editions.h"
#include "tests/windows/console_run.h"
#include "tests/windows/files.h"

namespace tembrel::windows_tests {

// The folder windows_tests.exe lies in, with the programs beside it; the
// work folder of this run (under %TEMP%), removed at the end.
std::wstring programsFolder();
std::wstring workFolder();
// The file every install folder the tests make holds, so that one left by
// an interrupted run is known as theirs.
inline const std::wstring ownMark = L"windows_tests.mark";

using testing::EditionRow;

// Each case runs for every row of tests/editions.h, its pieces as the screen
// read back shows them (testing::consoleRows).
class OnWindows : public ::testing::TestWithParam<EditionRow> {
protected:
    void SetUp() override;
    void TearDown() override;

    std::wstring folder() const { return widen(GetParam().folder()); }
    std::wstring exe() const { return widen(GetParam().program) + L".exe"; }
    std::wstring install() const { return L"C:\\" + folder(); }
    std::wstring payload() const { return ship_ / folder(); }
    std::wstring outside() const { return workFolder() / L"outside"; }
    // An install folder made by the test, not by the program.
    void makeInstall() const { writeFile(install() / ownMark, ""); }
    // The folders the stand-in emulator was started in, one a line.
    std::string started() const;
    // The ship folder's name, as the stand-in emulator logs it.
    std::string shipLogged() const { return narrow(ship_) + "\n"; }

    // Runs the program and types `key` once the menu is up; where `waitFor`
    // is given, waits for that text, checks that the program waits, and
    // types one more key. Returns the screen at the end. Checks, as every
    // run does, that the program starts (else it fails at once), shows the
    // menu's prompt and ends with status 0.
    std::wstring runWith(const Key& key, const std::wstring& waitFor = L"") {
        return runAt(ship_ / exe(), ship_, key, waitFor);
    }
    // The same with the program at another path, started in another folder.
    std::wstring runAt(const std::wstring& program, const std::wstring& folder, const Key& key,
                       const std::wstring& waitFor = L"");

    std::wstring ship_;
};

// Case-blind, as Windows compares names.
bool sameName(const std::string& a, const std::string& b);

}  // namespace tembrel::windows_tests
