#include <gtest/gtest.h>
#include <iconv.h>

#include "platform/oem.h"

namespace tembrel {
namespace {

// Every OEM byte converts as the C library's own code page 850 converter says.
TEST(Oem, AgreesWithTheSystemConverterOnEveryByte) {
    iconv_t cd = iconv_open("UTF-8", "CP850");
    if (cd == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "no CP850 converter here";
    for (int byte = 0; byte < 256; ++byte) {
        char in = static_cast<char>(byte);
        char out[8] = {};
        char* inp = &in;
        char* outp = out;
        std::size_t inLeft = 1, outLeft = sizeof out;
        ASSERT_NE(iconv(cd, &inp, &inLeft, &outp, &outLeft), static_cast<std::size_t>(-1)) << byte;
        EXPECT_EQ(oemToUtf8(std::string(1, in)), std::string(out, outp)) << "byte " << byte;
    }
    iconv_close(cd);
}

TEST(Oem, GermanWords) {
    EXPECT_EQ(oemToUtf8("gel\224scht dr\201cken \201blich"), "gel\u00f6scht dr\u00fccken \u00fcblich");
    EXPECT_EQ(oemToUtf8("plain ASCII\n"), "plain ASCII\n");
    EXPECT_FALSE(hasNonAscii("plain"));
    EXPECT_TRUE(hasNonAscii("gel\224scht"));
}

}  // namespace
}  // namespace tembrel
