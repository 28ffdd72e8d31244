// What a user unpacks: each Linux archive makes one folder of its own, and
// the Windows guides open right in every Notepad from XP on (UTF-8 with a
// byte order mark, CR LF line ends).

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "launcher/version.h"
#include "tests/editions.h"
#include "tests/tree.h"

namespace {

using namespace tembrel::testing;

TEST(Release, EachLinuxArchiveHoldsOneFolder) {
    for (const EditionRow& e : editionRows) {
        const std::string top = std::string(e.program) + "-" + std::string(tembrel::launcherVersion);
        const fs::path archive = fs::path(BINARY_DIR) / (top + "-linux-x86_64.tar.gz");
        if (!fs::exists(archive)) GTEST_SKIP() << "the release target has not been built";
        std::string listing;
        FILE* pipe = popen(("tar tzf '" + archive.string() + "'").c_str(), "r");
        char buffer[1024];
        while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) listing.append(buffer, n);
        pclose(pipe);
        EXPECT_EQ(listing, top + "/\n" + top + "/" + e.program + "\n" + top + "/" + e.guide + "\n");
    }
}

TEST(Release, WindowsGuidesOpenRightInNotepad) {
    for (const EditionRow& e : editionRows) {
        const std::string text = readFile(fs::path(SOURCE_DIR) / "editions" / e.source / e.guide);
        ASSERT_GT(text.size(), 3u) << e.guide;
        EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF") << e.guide;
        for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
            ASSERT_EQ(text[at - 1], '\r') << e.guide << " at byte " << at;
        EXPECT_EQ(text.find('\r', text.size() - 2), text.size() - 2) << e.guide << " ends with CR LF";
    }
}

}  // namespace
