#include <gtest/gtest.h>

#include <map>

#include "editions/english/english.h"
#include "editions/german/german.h"
#include "launcher/launcher.h"
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

struct EditionCase {
    const char* name;
    const Edition* edition;
    std::string folder;  // as in the install path
    std::string upper;
};
void PrintTo(const EditionCase& c, std::ostream* os) { *os << c.name; }


class FlowTest : public ::testing::TestWithParam<EditionCase> {
protected:
    const Edition& edition() const { return *GetParam().edition; }
    std::string menu() const { return "write:" + screenText(edition().menuScreen); }
    std::string screen(Screen s) const { return "write:" + screenText(s); }
    std::string install() const { return "c:\\" + GetParam().folder; }

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
    const std::string folder = GetParam().folder;
    const std::string xcopy = "run:xcopy *.* C:\\" + folder + " /e /h /i";
    struct Case {
        const char* what;
        bool installed;
        bool payloadMissing;
        bool fileInTheWay;
        std::vector<std::string> after;
    };
    const std::string isdir = "isdir:" + install(), exists = "exists:" + install();
    const Case cases[] = {
        {"installed", true, false, false, {isdir, "run:dosboxportable.exe"}},
        {"first launch", false, false, false,
         {isdir, exists, "chdir:" + folder, xcopy, "chdir:..", "run:dosboxportable.exe"}},
        // No copy from the wrong folder, and no step up out of the program's own folder.
        {"payload missing", false, true, false,
         {isdir, exists, "chdir:" + folder, screen(edition().payloadMissingScreen), "run:dosboxportable.exe"}},
        // A file at the install path is the user's: nothing is copied onto it.
        {"file at the install path", false, false, true,
         {isdir, exists, "write:" + fillIn(edition().notAFolderAtInstallPath, {install()}), "run:dosboxportable.exe"}},
    };
    for (const Case& c : cases) {
        for (int key : std::initializer_list<int>{'1', 13, 10}) {
            FakePlatform fake;
            fake.keys = {key};
            fake.directoryAnswers = {c.installed};
            if (c.payloadMissing) fake.missingFolders.insert(folder);
            if (c.fileInTheWay) fake.otherThings.insert(install());
            std::vector<std::string> expected = {menu(), "key:" + std::to_string(key), "sweep:" + install()};
            expected.insert(expected.end(), c.after.begin(), c.after.end());
            EXPECT_EQ(run(fake), expected) << c.what << ", key " << key;
        }
    }
}

TEST_P(FlowTest, UninstallKeys) {
    const std::string isdir = "isdir:" + install(), unlink = "unlink:" + install();
    const std::string inPayload = "in:" + install() + " " + GetParam().folder, inShip = "in:" + install() + " .";
    const std::vector<std::string> deletes = {
        "chdir:c:\\",
        "run:del " + install() + "\\*.* /s /q",
        "run:rd " + install() + " /s /q",
        "run:DELTREE /Y C:\\" + GetParam().upper,
    };
    struct Case {
        const char* what;
        std::deque<bool> directories;
        bool linksRemovable;
        std::string enclosed;  // what the install folder holds of the ship folder
        std::vector<std::string> after;
        bool linkNowhere = false;  // at the install path
    };
    auto report = [&](std::vector<std::string> v, bool withDeletes, Screen shown) {
        if (withDeletes) v.insert(v.end(), deletes.begin(), deletes.end());
        v.insert(v.end(), {"run:cls", isdir, screen(shown), "run:pause>nul"});
        return v;
    };
    const Screen success = edition().uninstallSuccessScreen, failed = edition().uninstallFailedScreen;
    const Case cases[] = {
        {"not installed", {false}, true, "",
         {isdir, "exists:" + install(), "run:cls", screen(edition().uninstallNotFoundScreen), "run:pause>nul"}},
        {"a link that leads nowhere", {false}, true, "",
         {isdir, "exists:" + install(), unlink, "exists:" + install(), "run:cls", screen(success), "run:pause>nul"}, true},
        {"removed", {true, true, false}, true, "", report({isdir, inPayload, inShip, unlink, isdir}, true, success)},
        {"still there after the deletes", {true, true, true}, true, "",
         report({isdir, inPayload, inShip, unlink, isdir}, true, failed)},
        // The install path was a link: removing it was the whole uninstall.
        {"a link at the install path", {true, false, false}, true, "",
         report({isdir, inPayload, inShip, unlink, isdir}, false, success)},
        // A link that cannot be removed keeps every delete command away.
        {"a link left in place", {true, true}, false, "", report({isdir, inPayload, inShip, unlink}, false, failed)},
        // The only copy of the payload, or the program's own folder, stays.
        {"the install folder is the payload", {true, true}, true, GetParam().folder,
         report({isdir, inPayload}, false, failed)},
        {"the install folder holds the program", {true, true}, true, ".",
         report({isdir, inPayload, inShip}, false, failed)},
    };
    for (const Case& c : cases) {
        for (int key : std::initializer_list<int>{'2', 8}) {
            FakePlatform fake;
            fake.keys = {key};
            fake.directoryAnswers = c.directories;
            fake.linksRemovable = c.linksRemovable;
            if (!c.enclosed.empty()) fake.enclosed.insert(c.enclosed);
            if (c.linkNowhere) fake.otherThings.insert(install());
            std::vector<std::string> expected = {menu(), "key:" + std::to_string(key), "sweep:" + install()};
            expected.insert(expected.end(), c.after.begin(), c.after.end());
            EXPECT_EQ(run(fake), expected) << c.what << ", key " << key;
        }
    }
}

// A failed copy leaves nothing at the install path; whatever stands there
// afterwards is another launch's, and no delete runs.
TEST_P(FlowTest, AFailedCopyDeletesNothing) {
    const std::string isdir = "isdir:" + install(), folder = GetParam().folder;
    for (const std::deque<bool>& directories : {std::deque<bool>{false, true}, std::deque<bool>{false, false}}) {
        FakePlatform fake;
        fake.keys = {'1'};
        fake.directoryAnswers = directories;
        fake.failingCommands = {"xcopy"};
        EXPECT_EQ(run(fake), (std::vector<std::string>{menu(), "key:49", "sweep:" + install(), isdir,
                                                        "exists:" + install(), "chdir:" + folder,
                                                        "run:xcopy *.* C:\\" + folder + " /e /h /i", "chdir:..",
                                                        "run:dosboxportable.exe"}));
    }
}

INSTANTIATE_TEST_SUITE_P(Editions, FlowTest,
                         ::testing::Values(EditionCase{"English", &englishEdition, "Tembrel", "TEMBREL"},
                                           EditionCase{"German", &germanEdition, "Tembrelo", "TEMBRELO"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel
