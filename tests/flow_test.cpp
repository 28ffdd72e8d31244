// The flow and the actions against a recording fake: what the launcher
// writes, which command lines it runs and which folders it enters.

#include <gtest/gtest.h>

#include <map>

#include "launcher/launcher.h"
#include "tests/editions.h"
#include "tests/fake_platform.h"

namespace tembrel {
namespace {

TEST(KeyTable, EveryCodeMapsAsTheTableSays) {
    const std::map<int, MenuChoice> mapped = {
        {49, MenuChoice::Launch},    {13, MenuChoice::Launch}, {10, MenuChoice::Launch},
        {50, MenuChoice::Uninstall}, {8, MenuChoice::Uninstall},
        {51, MenuChoice::Exit},      {27, MenuChoice::Exit},
    };
    for (int code = 0; code <= 255; ++code) {
        const auto it = mapped.find(code);
        const MenuChoice expected = it == mapped.end() ? MenuChoice::Invalid : it->second;
        EXPECT_EQ(choiceForKey(code), expected) << "code " << code;
    }
}

using testing::EditionRow;
using testing::editionRows;

class FlowTest : public ::testing::TestWithParam<EditionRow> {
protected:
    const Edition& edition() const { return *GetParam().edition; }
    std::string menu() const { return "write:" + screenText(edition().menuScreen); }
    std::string screen(Screen s) const { return "write:" + screenText(s); }
    std::string folder() const { return GetParam().folder(); }
    std::string install() const { return "c:\\" + folder(); }

    std::vector<std::string> run(FakePlatform& fake) {
        EXPECT_EQ(runLauncher(edition(), fake), 0);
        return fake.log;
    }
};

TEST_P(FlowTest, ExitKeysEndAtOnce) {
    for (int key : std::initializer_list<int>{'3', 27}) {
        FakePlatform fake;
        fake.keys = {key};
        EXPECT_EQ(run(fake), (std::vector<std::string>{menu(), "key:" + std::to_string(key)}));
    }
}

TEST_P(FlowTest, UnmappedKeysShowTheNoticeAndWaitOnce) {
    for (int key : std::initializer_list<int>{'4', 'a', 'A', ' ', 9, 11, 12, 0, 224, '0', '9', 3}) {
        FakePlatform fake;
        fake.keys = {key, '1'};
        EXPECT_EQ(run(fake), (std::vector<std::string>{menu(), "key:" + std::to_string(key), "run:cls",
                                                        screen(edition().invalidKeyScreen), "run:pause>nul"}))
            << "key " << key;
        EXPECT_EQ(fake.keys.size(), 1u) << "the flow itself reads one key only";
    }
}

TEST_P(FlowTest, LaunchKeys) {
    const std::string xcopy = "run:xcopy *.* C:\\" + folder() + " /e /h /i";
    struct Case {
        const char* what;
        bool installed;
        bool payloadMissing;
        bool fileInTheWay;
        std::vector<std::string> after;
    };
    const Case cases[] = {
        {"installed", true, false, false, {"run:dosboxportable.exe"}},
        {"first launch", false, false, false, {"chdir:" + folder(), xcopy, "chdir:..", "run:dosboxportable.exe"}},
        // No copy from the wrong folder, and no step up out of the program's own folder.
        {"payload missing", false, true, false,
         {"chdir:" + folder(), screen(edition().payloadMissingScreen) + screenText(edition().notInstalledScreen),
          "run:pause>nul", "run:dosboxportable.exe"}},
        // A file at the install path is the user's: nothing is copied onto it.
        {"file at the install path", false, false, true,
         {"write:" + fillIn(edition().notAFolderAtInstallPath, {install()}) + screenText(edition().notInstalledScreen),
          "run:pause>nul", "run:dosboxportable.exe"}},
    };
    for (const Case& c : cases) {
        for (int key : std::initializer_list<int>{'1', 13, 10}) {
            FakePlatform fake;
            fake.keys = {key};
            if (c.installed) fake.folders.insert(install());
            if (c.payloadMissing) fake.missingFolders.insert(folder());
            if (c.fileInTheWay) fake.otherThings.insert(install());
            std::vector<std::string> expected = {menu(), "key:" + std::to_string(key), "sweep:" + install()};
            expected.insert(expected.end(), c.after.begin(), c.after.end());
            EXPECT_EQ(run(fake), expected) << c.what << ", key " << key;
        }
    }
}

TEST_P(FlowTest, UninstallKeys) {
    const std::string unlink = "unlink:" + install();
    const std::string aside = "c:\\." + folder() + ".partial-1";
    const std::vector<std::string> deletes = {
        "chdir:c:\\",
        "aside:" + install(),
        "run:del " + aside + "\\*.* /s /q",
        "run:rd " + aside + " /s /q",
        "run:DELTREE /Y C:\\" + std::string(edition().folderNameUpper),
    };
    enum Install { Folder, Stuck, InUse, Link, FixedLink, Payload, Ship };
    struct Case {
        const char* what;
        Install install;
        std::vector<std::string> before;  // what happens before the report
        bool deleted;                     // the delete commands run
        bool success;
        Stayed named;                     // what the failure screen names
    };
    Stayed noted;  // what the host noted as left, for the stuck folder
    noted.add("c:\\.T.partial-1\\SAVES\\SLOT1.SAV", Why::InUse);
    const auto only = [&](Why why) {
        Stayed s;
        s.add(install(), why);
        return s;
    };
    const Case cases[] = {
        {"removed", Folder, {unlink}, true, true, {}},
        {"still there after the deletes", Stuck, {unlink}, true, false, noted},
        // A folder in use is never moved, and nothing in it is deleted.
        {"in use", InUse, {unlink, "chdir:c:\\", "aside:" + install()}, false, false, only(Why::FolderInUse)},
        // The install path was a link: removing it was the whole uninstall.
        {"a link at the install path", Link, {unlink}, false, true, {}},
        // A link that cannot be removed keeps every delete command away.
        {"a link left in place", FixedLink, {unlink}, false, false, only(Why::Link)},
        // The only copy of the payload, or the program's own folder, stays.
        {"the install folder is the payload", Payload, {}, false, false, only(Why::ShipFolder)},
        {"the install folder holds the program", Ship, {}, false, false, only(Why::ShipFolder)},
    };
    for (const Case& c : cases) {
        for (int key : std::initializer_list<int>{'2', 8}) {
            FakePlatform fake;
            fake.keys = {key};
            fake.folders.insert(install());
            if (c.install == Stuck) fake.stuck.insert(install());
            if (c.install == Stuck) fake.stayed = noted;
            if (c.install == InUse) fake.inUse.insert(install());
            if (c.install == Link || c.install == FixedLink) fake.links.insert(install());
            fake.linksRemovable = c.install != FixedLink;
            if (c.install == Payload) fake.enclosed.insert(folder());
            if (c.install == Ship) fake.enclosed.insert(".");
            std::vector<std::string> expected = {menu(), "key:" + std::to_string(key), "sweep:" + install()};
            expected.insert(expected.end(), c.before.begin(), c.before.end());
            if (c.deleted) expected.insert(expected.end(), deletes.begin(), deletes.end());
            // Nothing is deleted unless the folder was set aside.
            const std::string shown = c.success ? screen(edition().uninstallSuccessScreen)
                                                : "write:" + failureScreen(edition(), c.named, !c.deleted);
            expected.insert(expected.end(), {"run:cls", shown, "run:pause>nul"});
            EXPECT_EQ(run(fake), expected) << c.what << ", key " << key;
        }
    }
    // Nothing there, or a link that leads nowhere: that link, and only it,
    // goes. What an earlier uninstall set aside and the sweep now removes is
    // a success, what still stays a failure.
    enum Nothing { NotInstalled, LinkNowhere, LeftoverRemoved, LeftoverStays };
    for (const Nothing there : {NotInstalled, LinkNowhere, LeftoverRemoved, LeftoverStays}) {
        FakePlatform fake;
        fake.keys = {'2'};
        fake.leftovers = there == LeftoverStays     ? Leftovers::Stay
                         : there == LeftoverRemoved ? Leftovers::Removed
                                                    : Leftovers::None;
        std::vector<std::string> expected = {menu(), "key:50", "sweep:" + install()};
        if (there == LinkNowhere) {
            fake.otherThings.insert(install());
            fake.links.insert(install());
            expected.push_back("unlink:" + install());
        }
        if (there == LeftoverStays) fake.stayed = noted;
        const std::string shown = there == NotInstalled    ? screen(edition().uninstallNotFoundScreen)
                                  : there == LeftoverStays ? "write:" + failureScreen(edition(), noted, false)
                                                           : screen(edition().uninstallSuccessScreen);
        expected.insert(expected.end(), {"run:cls", shown, "run:pause>nul"});
        EXPECT_EQ(run(fake), expected) << there;
    }
}

// A failed copy leaves nothing at the install path; whatever stands there
// afterwards is another launch's, and no delete runs. The emulator still
// starts, once a key is pressed after the line saying nothing was installed.
TEST_P(FlowTest, AFailedCopyDeletesNothing) {
    for (const bool folderThere : {true, false}) {
        FakePlatform fake;
        fake.keys = {'1'};
        fake.failingCommands = {"xcopy"};
        fake.failedCopyMakesFolder = folderThere;
        EXPECT_EQ(run(fake), (std::vector<std::string>{menu(), "key:49", "sweep:" + install(), "chdir:" + folder(),
                                                        "run:xcopy *.* C:\\" + folder() + " /e /h /i", "chdir:..",
                                                        screen(edition().notInstalledScreen), "run:pause>nul",
                                                        "run:dosboxportable.exe"}))
            << (folderThere ? "another launch's install there" : "nothing there");
    }
}

INSTANTIATE_TEST_SUITE_P(Editions, FlowTest, ::testing::ValuesIn(editionRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel
