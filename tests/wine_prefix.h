// A throwaway Wine prefix for the Windows programs, made the one way every
// Wine test run makes it: the Linux-side harness and the runner of
// windows_tests.exe.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tembrel::testing {

// The prefix lives in root/prefix, its home folder in root/home. The wine
// loader and the prefix's architecture (win32 or win64) are the build's
// choice (WINE_LOADER, WINE_ARCH).
class WinePrefixSetup {
public:
    explicit WinePrefixSetup(std::filesystem::path root) : root_(std::move(root)) {}

    // One line: which Windows programs run under which Wine, and why.
    static std::string programsUnderTest();

    // The whole environment a Wine program runs with in this prefix.
    std::vector<std::string> env() const;
    std::filesystem::path driveC() const { return root_ / "prefix" / "drive_c"; }

    // Starts a wineserver that stays until end(), and makes the prefix: a
    // Windows XP whose %ComSpec% names `comSpecLogger`, which logs each
    // start to C:\unexpected.txt (the programs start no command
    // interpreter). Returns what went wrong, or "" when the prefix is ready.
    std::string make(const std::filesystem::path& comSpecLogger) const;
    // Stops the wineserver and removes everything under root.
    void end() const;

private:
    int run(const std::string& command, const std::string& log = "/dev/null") const;
    std::filesystem::path root_;
};

}  // namespace tembrel::testing
