// The OEM code page in Unicode, UTF-8 and ASCII.

#include <gtest/gtest.h>
#include <iconv.h>

#include "platform/oem.h"

namespace tembrel {
namespace {

// Every OEM byte converts as the C library's own code page 850 converter
// says; where the character set lacks the character, to '?'.
TEST(Oem, AgreesWithTheSystemConverterOnEveryByte) {
    const std::pair<const char*, std::string (*)(std::string_view)> targets[] = {
        {"UTF-8", oemToUtf8}, {"ISO-8859-1", oemToLatin1}, {"ISO-8859-15", oemToLatin9}};
    for (const auto& [charset, convert] : targets) {
        iconv_t cd = iconv_open(charset, "CP850");
        if (cd == reinterpret_cast<iconv_t>(-1)) continue;  // no such converter here
        for (int byte = 0; byte < 256; ++byte) {
            char in = static_cast<char>(byte);
            char out[8] = {};
            char* inp = &in;
            char* outp = out;
            std::size_t inLeft = 1, outLeft = sizeof out;
            const bool lacking = iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<std::size_t>(-1);
            EXPECT_EQ(convert(std::string(1, in)), lacking ? "?" : std::string(out, outp)) << charset << " " << byte;
        }
        iconv_close(cd);
    }
}

TEST(Oem, GermanWords) {
    EXPECT_EQ(oemToUtf8("gel\224scht dr\201cken \201blich"), "gel\u00f6scht dr\u00fccken \u00fcblich");
    EXPECT_EQ(oemToLatin9("\204\224\201\216\231\232\341"), "\344\366\374\304\326\334\337");
    EXPECT_EQ(oemToUtf8("plain ASCII\n"), "plain ASCII\n");
    // Every length and position, as the scan goes eight bytes at a time.
    for (std::size_t size = 0; size < 20; ++size) {
        EXPECT_FALSE(hasNonAscii(std::string(size, 'a'))) << size;
        for (std::size_t at = 0; at < size; ++at) {
            std::string text(size, 'a');
            text[at] = '\201';
            EXPECT_TRUE(hasNonAscii(text)) << size << " " << at;
        }
    }
}

// A terminal that shows ASCII only still reads every German word.
TEST(Oem, AsciiSpellsOutTheLetters) {
    const std::pair<const char*, const char*> cases[] = {
        {"dr\201cken gew\201nschte gel\224scht", "druecken gewuenschte geloescht"},
        {"\232ber \231l \216rger Schlie\341en", "Ueber Oel Aerger Schliessen"},
        {"caf\202 \244 \207", "cafe n c"},
        {"\263\304\376 plain\n", "??? plain\n"},  // box drawing and a square: no letters
    };
    for (const auto& [oem, ascii] : cases) EXPECT_EQ(oemToAscii(oem), ascii) << ascii;
}

}  // namespace
}  // namespace tembrel
