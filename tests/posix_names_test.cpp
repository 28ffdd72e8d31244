// How the POSIX platform shows names: safe file names, and the character set
// told from the locale's name.

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "platform/posix/names.h"

namespace tembrel {
namespace {

TEST(ShownName, ControlCharactersBecomeQuestionMarks) {
    struct Case {
        std::string name;
        bool utf8;
        std::string shown;
    };
    const Case cases[] = {
        {"plain name.txt", false, "plain name.txt"},
        {"\x1b[2J\a\n\r\t\x7f", true, "?[2J?????"},
        {"caf\xc3\xa9", true, "caf\xc3\xa9"},
        {"caf\xc3\xa9", false, "caf??"},
        {"\xf0\x9f\x98\x80", true, "\xf0\x9f\x98\x80"},
        {"\x9b" "31m", true, "?31m"},          // a C1 control byte
        {"\xc2\x9b" "31m", true, "??31m"},     // the same as UTF-8
        {"\xe0\x80\xaf\xed\xa0\x80", true, "??????"},  // overlong, surrogate
        {"end\xc3", true, "end?"},             // cut short
        {"\xe2\x80\xaetxt.exe", true, "?txt.exe"},  // writing direction: overrides, isolates, marks
        {"a\xe2\x81\xa6" "b\xe2\x80\x8f" "c\xd8\x9c" "d\xe2\x80\xaa", true, "a?b?c?d?"},
    };
    for (const Case& c : cases) EXPECT_EQ(shownName(c.name, c.utf8), c.shown) << c.name;
}

TEST(Console, TheCharsetIsTakenFromTheLocaleName) {
    using Case = std::tuple<const char*, const char*, const char*, Charset>;  // LC_ALL, LC_CTYPE, LANG
    const Charset utf8 = Charset::Utf8, other = Charset::Other;
    for (const auto& [all, ctype, lang, charset] :
         {Case{nullptr, nullptr, "de_DE.UTF-8", utf8}, Case{"", "", "en_US.utf8", utf8},
          Case{"C", nullptr, "de_DE.UTF-8", other}, Case{nullptr, "xx_XX.UTF8@euro", "C", utf8},
          Case{nullptr, "UTF-8", nullptr, utf8}, Case{nullptr, nullptr, "de_DE.ISO-8859-1", Charset::Latin1},
          Case{nullptr, nullptr, "de_DE.iso885915@euro", Charset::Latin9}, Case{nullptr, nullptr, "de_DE.CP850", other},
          Case{nullptr, nullptr, nullptr, other}})
        EXPECT_EQ(localeNameCharset(characterLocale(all, ctype, lang)), charset) << (lang ? lang : "");
}

}  // namespace
}  // namespace tembrel
