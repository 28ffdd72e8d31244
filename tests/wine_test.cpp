// The Windows programs under Wine on a pseudo-terminal, as a Unix terminal
// shows them. (Every case that needs no Unix side is in windows_tests.exe.)

#include "tests/wine_harness.h"

namespace tembrel {
namespace {

TEST_P(UnderWine, TextsShowTheirLettersOnAUtf8Terminal) {
    const std::string out = runWith("3");  // checks that the menu's prompt shows and that "3" leaves with status 0
    for (const std::string& word : GetParam().letters()) EXPECT_NE(out.find(word), std::string::npos) << word;
    EXPECT_EQ(out.find('\x81'), std::string::npos);
    EXPECT_EQ(out.find('\x94'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Editions, UnderWine, ::testing::ValuesIn(consoleRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tembrel

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new tembrel::WinePrefix);
    return RUN_ALL_TESTS();
}
