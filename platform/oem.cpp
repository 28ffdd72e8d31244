// The OEM code page 850 in Unicode, UTF-8 and ASCII.

#include "platform/oem.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace tembrel {

namespace {

// Unicode code points of the OEM bytes 0x80 to 0xFF (code page 850, the
// Western European DOS code page; it agrees with 437 on all German letters).
constexpr std::array<char16_t, 128> upperHalf = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

// ASCII spellings of the Latin-1 letters U+00C0 to U+00FF.
constexpr std::array<const char*, 64> latinLetters = {
    "A", "A", "A", "A", "Ae", "A", "Ae", "C", "E", "E", "E", "E", "I", "I", "I", "I",
    "D", "N", "O", "O", "O", "O", "Oe", "x", "Oe", "U", "U", "U", "Ue", "Y", "Th", "ss",
    "a", "a", "a", "a", "ae", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
    "d", "n", "o", "o", "o", "o", "oe", ":", "oe", "u", "u", "u", "ue", "y", "th", "y",
};

// The Latin-1 characters whose bytes Latin-9 gives to others (the euro sign,
// S, s, Z and z with caron, OE, oe and Y with diaeresis).
bool replacedInLatin9(char16_t u) {
    return u == 0xA4 || u == 0xA6 || u == 0xA8 || u == 0xB4 || u == 0xB8 || u == 0xBC || u == 0xBD || u == 0xBE;
}

std::string oemToLatin(std::string_view text, bool latin9) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        const char16_t u = oemToUnicode(c);
        out += u < 0x100 && !(latin9 && replacedInLatin9(u)) ? static_cast<char>(u) : '?';
    }
    return out;
}

}  // namespace

char16_t oemToUnicode(unsigned char byte) {
    return byte < 0x80 ? char16_t{byte} : upperHalf[byte - 0x80];
}

bool hasNonAscii(std::string_view text) {
    // Eight bytes at a time: every text is scanned on its way out.
    constexpr std::uint64_t highBits = 0x8080808080808080u;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        if (word & highBits) return true;
    }
    for (; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) return true;
    }
    return false;
}

std::string oemToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (unsigned char c : text) {
        const char16_t u = oemToUnicode(c);
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

std::wstring oemToWide(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (unsigned char c : text) out += static_cast<wchar_t>(oemToUnicode(c));
    return out;
}

std::string oemToAscii(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (unsigned char c : text) {
        const char16_t u = oemToUnicode(c);
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u >= 0xC0 && u <= 0xFF) {
            out += latinLetters[u - 0xC0];
        } else {
            out += '?';
        }
    }
    return out;
}

std::string oemToLatin1(std::string_view text) { return oemToLatin(text, false); }
std::string oemToLatin9(std::string_view text) { return oemToLatin(text, true); }

std::size_t decodeUtf8(std::string_view s, char32_t& c) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = at(0);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                             : lead >= 0xF0 && lead < 0xF5                    ? 4
                                                                              : 0;
    if (length == 0 || length > s.size()) return 0;
    c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((at(i) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (at(i) & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    return c >= least[length] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF) ? length : 0;
}

bool changesDirection(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace tembrel
