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
        std::vector<std::string> after;
    };
    const Case cases[] = {
        {"installed", true, false, {"isdir:" + install(), "run:dosboxportable.exe"}},
        {"first launch",
         false,
         false,
         {"isdir:" + install(), "chdir:" + folder, xcopy, "chdir:..", "run:dosboxportable.exe"}},
        // No copy from the wrong folder, and no step up out of the program's own folder.
        {"payload missing", false, true, {"isdir:" + install(), "chdir:" + folder, "run:dosboxportable.exe"}},
    };
    for (const Case& c : cases) {
        for (int key : std::initializer_list<int>{'1', 13, 10}) {
            FakePlatform fake;
            fake.keys = {key};
            fake.directoryAnswers = {c.installed};
            if (c.payloadMissing) fake.missingFolders.insert(folder);
            std::vector<std::string> expected = {menu(), "key:" + std::to_string(key)};
            expected.insert(expected.end(), c.after.begin(), c.after.end());
            EXPECT_EQ(run(fake), expected) << c.what << ", key " << key;
        }
    }
}

TEST_P(FlowTest, UninstallKeys) {
    const std::vector<std::string> deletes = {
        "chdir:c:\\",
        "run:del " + install() + "\\*.* /s /q",
        "run:rd " + install() + " /s /q",
        "run:DELTREE /Y C:\\" + GetParam().upper,
        "run:cls",
        "isdir:" + install(),
    };
    struct Case {
        const char* what;
        std::deque<bool> directories;
        std::vector<std::string> after;
    };
    auto withDeletes = [&](Screen report) {
        std::vector<std::string> v = {"isdir:" + install()};
        v.insert(v.end(), deletes.begin(), deletes.end());
        v.push_back(screen(report));
        v.push_back("run:pause>nul");
        return v;
    };
    const Case cases[] = {
        {"not installed",
         {false},
         {"isdir:" + install(), "run:cls", screen(edition().uninstallNotFoundScreen), "run:pause>nul"}},
        {"removed", {true, false}, withDeletes(edition().uninstallSuccessScreen)},
        {"still there after the deletes", {true, true}, withDeletes(edition().uninstallFailedScreen)},
    };
    for (const Case& c : cases) {
        for (int key : std::initializer_list<int>{'2', 8}) {
            FakePlatform fake;
            fake.keys = {key};
            fake.directoryAnswers = c.directories;
            std::vector<std::string> expected = {menu(), "key:" + std::to_string(key)};
            expected.insert(expected.end(), c.after.begin(), c.after.end());
            EXPECT_EQ(run(fake), expected) << c.what << ", key " << key;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Editions, FlowTest,
                         ::testing::Values(EditionCase{"English", &englishEdition, "Tembrel", "TEMBREL"},
                                           EditionCase{"German", &germanEdition, "Tembrelo", "TEMBRELO"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel
