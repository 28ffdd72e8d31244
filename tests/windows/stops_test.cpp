// A run stopped half-way through the first copy or the uninstall, by
// Ctrl+Break or killed: the install path holds the whole install or
// nothing, a Ctrl+Break leaves no staging folder of the copy, and the next
// "1" installs whole. Wine delivers no Ctrl+Break sent to a process group,
// so there only the kill runs; the Wine suite types Ctrl+C on a terminal.

#include "platform/windows/wine.h"
#include "tests/windows/harness.h"

namespace tembrel::windows_tests {
namespace {

TEST_P(OnWindows, AStoppedRunLeavesTheInstallWholeOrAbsent) {
    if (GetParam().edition != testing::editionRows[0].edition) GTEST_SKIP() << "one edition is enough";
    for (int i = 0; i < 3000; ++i) writeFile(payload() / L"many" / std::to_wstring(i), "x");
    for (const char k : {'1', '2'})
        for (const bool kill : {false, true}) {
            if (!kill && underWine()) continue;
            k == '1' ? removeTree(install()) : (void)runWith(key('1'));
            ConsoleRun run(ship_ / exe(), L"\"" + (ship_ / exe()) + L"\"", ship_);
            ASSERT_TRUE(run.waitFor(widen(GetParam().prompt), 240000)) << narrow(run.screen());
            run.type(key(k));
            // Stopped once a file from the middle of the payload is in the staging or moved folder.
            const std::wstring staging = L"C:\\." + folder() + L".partial-" + std::to_wstring(run.id());
            while (!exists(staging / L"many\\2") && run.stillRunningAfter(1)) {
            }
            EXPECT_EQ(run.stop(kill), kill ? 9 : STATUS_CONTROL_C_EXIT) << k << kill;
            EXPECT_FALSE(exists(install()));
            EXPECT_EQ(exists(staging), kill || k == '2') << k << kill;
            runWith(key('1'));
            EXPECT_FALSE(exists(staging));
            EXPECT_EQ(snapshot(install()), snapshot(payload()));
        }
}

}  // namespace
}  // namespace tembrel::windows_tests
