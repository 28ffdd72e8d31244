// The OEM code page 850 in Unicode, UTF-8 and ASCII.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tembrel {

// The texts are stored in the console's OEM code page (850). These turn them
// into Unicode for consoles that do not speak that code page.
char16_t oemToUnicode(unsigned char byte);
bool hasNonAscii(std::string_view text);
std::string oemToUtf8(std::string_view text);
// The text in UTF-16 (Windows' wide characters).
std::wstring oemToWide(std::string_view text);
// The text in ASCII for a terminal that shows nothing else: each OEM letter
// in its usual spelling without accents ("ue" for the u with umlaut, "ss"
// for the sharp s), anything else that is not ASCII as '?'.
std::string oemToAscii(std::string_view text);
// The text in ISO-8859-1 (Latin-1) or ISO-8859-15 (Latin-9), which hold every
// German letter; a character the set lacks (box drawing, and in Latin-9 the
// eight signs it replaced, such as the currency sign) as '?'.
std::string oemToLatin1(std::string_view text);
std::string oemToLatin9(std::string_view text);

// The length of the UTF-8 sequence at `s`, and its character in `c`; 0
// where the bytes are no valid sequence (overlong, a surrogate, past
// U+10FFFF, cut short).
std::size_t decodeUtf8(std::string_view s, char32_t& c);

// Whether the character changes the direction of writing: the embeddings and
// overrides U+202A-202E, the isolates U+2066-2069, the marks U+200E, U+200F
// and U+061C. They can make a name read backwards ("txt.exe" as "exe.txt"),
// so names show them as '?'.
bool changesDirection(char32_t c);

}  // namespace tembrel
