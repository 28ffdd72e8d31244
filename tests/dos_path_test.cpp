// Drive C placed as Wine places it, and DOS paths mapped onto it.

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "platform/posix/drive_c.h"
#include "platform/posix/commands.h"

namespace tembrel {
namespace {

TEST(DriveCFolder, FromTheWinePrefixOrHome) {
    using Case = std::tuple<const char*, const char*, const char*, const char*>;  // WINEPREFIX, HOME, drive C, refusal
    for (const auto& [prefix, home, folder, refusal] :
         {Case{"/tmp/prefix", "/home/u", "/tmp/prefix/drive_c", ""}, Case{"/tmp/prefix/", "", "/tmp/prefix/drive_c", ""},
          Case{nullptr, "/home/u", "/home/u/.wine/drive_c", ""}, Case{"", "/home/u", "/home/u/.wine/drive_c", ""},
          Case{"rel", "/home/u", "", "wine: invalid directory rel in WINEPREFIX: not an absolute path\n"},
          Case{"~/.wine", "/home/u", "", "wine: invalid directory ~/.wine in WINEPREFIX: not an absolute path\n"},
          Case{nullptr, "", "", "wine: could not determine your home directory\n"},
          Case{nullptr, "u", "", "wine: the home directory u is not an absolute path\n"}}) {
        const DriveC driveC = driveCFolder(prefix, home);
        EXPECT_EQ(driveC.folder, folder) << prefix;
        EXPECT_EQ(driveC.refusal, refusal) << prefix;
    }
}

TEST(OpenDriveC, WhereDosDevicesLeads) {
    const std::string r = "/tmp/drive-c-" + std::to_string(getpid()), p = r + "/p", there = r + "/there";
    const std::string none = "Drive C: '" + p + "/dosdevices/c:' leads to no folder\n";
    // dosdevices/c: (nullptr: no dosdevices, "": no c:), where it leads is another user's, drive C, refusal
    using Case = std::tuple<const char*, bool, std::string, std::string>;
    for (const auto& [link, foreign, folder, refusal] :
         {Case{nullptr, false, p + "/drive_c", ""}, Case{"../drive_c", false, p + "/drive_c", ""},
          Case{"../../there", false, there, ""}, Case{"", false, "", none}, Case{"../../nowhere", false, "", none},
          Case{"../../there", true, "", "wine: '" + there + "' is not owned by you\n"}}) {
        std::filesystem::remove_all(r);
        std::filesystem::create_directories(p + "/drive_c");
        std::filesystem::create_directories(there);
        if (link != nullptr) std::filesystem::create_directories(p + "/dosdevices");
        if (link != nullptr && *link != '\0') std::filesystem::create_directory_symlink(link, p + "/dosdevices/c:");
        if (foreign && chown(there.c_str(), 65534, 65534) != 0) continue;  // root only
        const DriveC drive = ownDriveC(driveCFolder(p.c_str(), ""));
        EXPECT_EQ(std::tuple(drive.folder, drive.refusal, drive.fd >= 0), std::tuple(folder, refusal, !folder.empty()));
        if (drive.fd >= 0) close(drive.fd);
    }
    std::filesystem::remove_all(r);
}

TEST(DriveCFolder, HomeFromTheUserDatabaseWhenHomeIsUnset) {
    const std::string saved = getenv("HOME") != nullptr ? getenv("HOME") : "";
    unsetenv("HOME");
    const struct passwd* user = getpwuid(getuid());
    EXPECT_EQ(homeFolder(), user != nullptr ? user->pw_dir : "");
    setenv("HOME", saved.c_str(), 1);
}

TEST(MapDosPath, Table) {
    struct Case {
        const char* dos;
        const char* host;
        std::size_t fixed;
    };
    const Case cases[] = {
        {"c:\\Tembrel", "/dc/Tembrel", 3},   {"C:\\TEMBREL\\*.*", "/dc/TEMBREL/*.*", 3},
        {"c:\\", "/dc/", 3},                 {"c:", "/dc", 3},
        {"c:Tembrel", "/dc/Tembrel", 3},     {"Tembrel", "Tembrel", 0},
        {"..", "..", 0},                     {"sub\\file.txt", "sub/file.txt", 0},
        {"c:\\Tembrel\\", "/dc/Tembrel", 3}, {"", ".", 0},
    };
    for (const Case& c : cases) {
        const HostPath host = mapDosPath(c.dos, "/dc");
        EXPECT_EQ(host.path, c.host) << c.dos;
        EXPECT_EQ(host.fixed, c.fixed) << c.dos;
    }
}

TEST(PlaceDosPath, MatchesEachNameIgnoringCaseWhenTheExactNameIsMissing) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("resolve-" + std::to_string(getpid())) / "drive_c";
    fs::remove_all(root.parent_path());
    fs::create_directories(root / "Tembrel" / "Sub");
    fs::create_directories(root / "both" / "x");
    fs::create_directories(root / "BOTH");
    const std::string r = root.string();
    struct Case {
        std::string dos;
        std::string host;
    };
    const Case cases[] = {
        {"c:\\TEMBREL", r + "/Tembrel"},
        {"C:\\tembrel\\sub\\new.txt", r + "/Tembrel/Sub/new.txt"},
        {"c:\\Tembrel", r + "/Tembrel"},
        {"c:\\both", r + "/both"},  // the exact name wins
        {"c:\\BOTH", r + "/BOTH"},
        {"c:\\missing\\Sub", r + "/missing/Sub"},
        {r + "/TEMBREL/../tembrel/SUB", r + "/Tembrel/Sub"},  // off drive C, by the same walk
    };
    DriveCPaths paths{ownDriveC({r, ""})};
    for (const Case& c : cases) {
        Place at;
        std::string report;
        EXPECT_TRUE(paths.place(c.dos, at, report)) << c.dos;
        EXPECT_EQ(at.path, c.host) << c.dos;
    }
    fs::remove_all(root.parent_path());
}

}  // namespace
}  // namespace tembrel
