#include "tests/wine_prefix.h"

#include <cstdlib>

namespace tembrel::testing {

namespace fs = std::filesystem;

namespace {

bool win64() { return std::string(WINE_ARCH) == "win64"; }

}  // namespace

std::vector<std::string> WinePrefixSetup::env() const {
    std::vector<std::string> env = {"WINEPREFIX=" + (root_ / "prefix").string(), "WINEARCH=" WINE_ARCH,
                                    "HOME=" + (root_ / "home").string(), "PATH=" + std::string(getenv("PATH")),
                                    "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml=", "LANG=C.UTF-8",
                                    "TERM=xterm"};
    // The 64-bit loader finds its own parts only when told where it is.
    if (win64()) env.push_back("WINELOADER=" WINE_LOADER);
    return env;
}

int WinePrefixSetup::run(const std::string& command) const {
    std::string line;
    for (const std::string& e : env()) line += "'" + e + "' ";
    return std::system(("env " + line + command + " >/dev/null 2>&1").c_str());
}

std::string WinePrefixSetup::make(const fs::path& comSpecLogger) const {
    fs::create_directories(root_ / "home");
    // The server first, told to stay for the whole run, so that each
    // program starts in a second or two; then the prefix.
    fs::create_directories(root_ / "prefix");
    if (run("wineserver -p") != 0) return "could not start a wineserver";
    const std::string wine = "'" WINE_LOADER "' ";
    const int booted = run(wine + "wineboot -i");
    if (!fs::is_directory(driveC() / "windows" / "system32"))
        return "could not create a Wine prefix: " WINE_LOADER " wineboot -i ended with status " +
               std::to_string(booted);
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
