#include "tests/wine_prefix.h"

#include <cstdlib>
#include <fstream>

namespace tembrel::testing {

namespace fs = std::filesystem;

namespace {

bool win64() { return std::string(WINE_ARCH) == "win64"; }

std::string lastLines(const fs::path& file, std::size_t count) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::string last;
    for (std::size_t i = lines.size() > count ? lines.size() - count : 0; i < lines.size(); ++i) last += lines[i] + "\n";
    return last;
}

}  // namespace

std::string WinePrefixSetup::programsUnderTest() {
    std::string line = std::string("Windows programs under test: ") + WINE_PROGRAMS_DIR +
                       (win64() ? " (the 64-bit test build, under 64-bit Wine)"
                                : " (the shipped 32-bit programs, under 32-bit Wine)");
    if (*WINE_REASON) line += std::string(": ") + WINE_REASON;
    return line;
}

std::vector<std::string> WinePrefixSetup::env() const {
    std::vector<std::string> env = {"WINEPREFIX=" + (root_ / "prefix").string(), "WINEARCH=" WINE_ARCH,
                                    "HOME=" + (root_ / "home").string(), "PATH=" + std::string(getenv("PATH")),
                                    "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml=", "LANG=C.UTF-8",
                                    "TERM=xterm"};
    // The 64-bit loader finds its own parts only when told where it is.
    if (win64()) env.push_back("WINELOADER=" WINE_LOADER);
    return env;
}

int WinePrefixSetup::run(const std::string& command, const std::string& log) const {
    std::string line;
    for (const std::string& e : env()) line += "'" + e + "' ";
    return std::system(("env " + line + command + " >'" + log + "' 2>&1").c_str());
}

std::string WinePrefixSetup::make(const fs::path& comSpecLogger) const {
    fs::create_directories(root_ / "home");
    // The server first, told to stay for the whole run, so that each
    // program starts in a second or two; then the prefix.
    fs::create_directories(root_ / "prefix");
    if (run("wineserver -p") != 0) return "could not start a wineserver";
    const std::string wine = "'" WINE_LOADER "' ";
    const fs::path log = root_ / "wineboot.log";
    const int booted = run(wine + "wineboot -i", log);
    if (!fs::is_directory(driveC() / "windows" / "system32"))
        return "could not create a Wine prefix: " WINE_LOADER " wineboot -i ended with status " +
               std::to_string(booted) + "; its last words:\n" + lastLines(log, 5);
    // A 32-bit prefix has no folder for 32-bit programs beside 64-bit ones.
    if (!win64() && fs::exists(driveC() / "windows" / "syswow64")) return "the Wine prefix is not 32-bit";
    // The oldest Windows the programs are built for.
    if (run(wine + "winecfg -v " + (win64() ? "winxp64" : "winxp")) != 0)
        return "could not make the Wine prefix a Windows XP";
    fs::copy_file(comSpecLogger, driveC() / "stand_in_cmd.exe");
    if (run(wine + "reg add \"HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Environment\" "
                   "/v ComSpec /d 'C:\\stand_in_cmd.exe' /f") != 0)
        return "could not set %ComSpec% in the Wine prefix";
    return "";
}

void WinePrefixSetup::end() const {
    run("wineserver -k");
    fs::remove_all(root_);
}

}  // namespace tembrel::testing
