#pragma once

#include <string>
#include <string_view>

namespace tembrel {

// The texts are stored in the console's OEM code page (850). These turn them
// into Unicode for consoles that do not speak that code page.
char16_t oemToUnicode(unsigned char byte);
bool hasNonAscii(std::string_view text);
std::string oemToUtf8(std::string_view text);

}  // namespace tembrel
