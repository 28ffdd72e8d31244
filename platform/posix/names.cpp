// How the POSIX platform shows names and texts: safe file names, the
// terminal's character set, and whether it understands escape sequences.

#include <langinfo.h>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <string>

#include "platform/posix/names.h"

#include "platform/oem.h"

namespace tembrel {

namespace {

// The length of the valid UTF-8 character of at least U+00A0 (past the C1
// controls, which terminals obey) starting at `s`, or 0.
std::size_t printableUtf8(std::string_view s) {
    const auto byte = [&](std::size_t i) { return i < s.size() ? static_cast<unsigned char>(s[i]) : 0u; };
    const unsigned lead = byte(0);
    std::size_t length;
    unsigned low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead == 0xC2) {
        length = 2;
        low = 0xA0;
    } else if (lead >= 0xC3 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    }
    return length;
}

// Whether the character at `s`, a whole UTF-8 sequence, changes the
// direction of writing; every such character takes two or three bytes.
bool directionControl(std::string_view s) {
    const auto byte = [&](std::size_t i) { return i < s.size() ? static_cast<char32_t>(static_cast<unsigned char>(s[i])) : 0; };
    if (byte(0) < 0xC0 || byte(0) >= 0xF0) return false;
    const char32_t c = byte(0) < 0xE0 ? (byte(0) & 0x1F) << 6 | (byte(1) & 0x3F)
                                      : (byte(0) & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F);
    return changesDirection(c);
}

}  // namespace

std::string shownName(std::string_view name, bool utf8) {
    std::string shown;
    shown.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c >= 0x20 && c < 0x7F) {
            shown += name[i++];
        } else if (const std::size_t n = utf8 && c >= 0x80 ? printableUtf8(name.substr(i)) : 0; n > 0) {
            shown += directionControl(name.substr(i)) ? std::string_view("?") : name.substr(i, n);
            i += n;
        } else {
            shown += '?';
            ++i;
        }
    }
    return shown;
}

Charset codesetCharset(std::string_view codeset) {
    // Compared as glibc normalizes code set names: lower case, no '-' or '_'.
    std::string name;
    for (char c : codeset) {
        if (c != '-' && c != '_') name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (name == "utf8") return Charset::Utf8;
    if (name == "iso88591") return Charset::Latin1;
    if (name == "iso885915") return Charset::Latin9;
    return name == "ansix3.41968" || name == "ascii" ? Charset::AsciiOnly : Charset::Other;
}

Charset localeNameCharset(std::string_view locale) {
    // The code set follows the dot, up to a modifier ("@euro"); a name
    // without a dot is taken as a code set.
    const std::size_t dot = locale.find('.');
    const std::size_t start = dot == std::string_view::npos ? 0 : dot + 1;
    return codesetCharset(locale.substr(start, locale.find('@', start) - start));
}

std::string_view characterLocale(const char* lcAll, const char* lcCtype, const char* lang) {
    for (const char* name : {lcAll, lcCtype, lang}) {
        if (name != nullptr && *name != '\0') return name;
    }
    return "C";
}

bool ansiTerminal(const char* term) {
    if (term == nullptr) return false;
    // The family is the name up to its first variant mark: "xterm-256color",
    // "screen.xterm-256color".
    std::string family;
    for (const char* p = term; *p != '\0' && *p != '-' && *p != '.'; ++p) {
        family += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    }
    if (family.size() == 5 && family.starts_with("vt") && family[2] >= '1' && family[2] <= '5') return true;
    static const char* const families[] = {
        "xterm", "linux",  "screen", "tmux",  "rxvt",    "ansi",   "konsole", "gnome",   "alacritty",
        "kitty", "foot",   "st",     "putty", "cygwin",  "mintty", "wezterm", "contour", "iterm",
        "iterm2", "eterm", "aterm",  "mlterm", "vte"};
    for (const char* known : families) {
        if (family == known) return true;
    }
    return false;
}

Charset localeCharset() {
    if (setlocale(LC_CTYPE, "") == nullptr) {
        // A locale that is not installed still says what the terminal
        // speaks: its name decides.
        return localeNameCharset(characterLocale(getenv("LC_ALL"), getenv("LC_CTYPE"), getenv("LANG")));
    }
    return codesetCharset(nl_langinfo(CODESET));
}

namespace {
std::string unchanged(std::string_view text) { return std::string(text); }
}  // namespace

TextConverter converterFor(Charset charset) {
    switch (charset) {
    case Charset::Utf8:
        return oemToUtf8;
    case Charset::AsciiOnly:
        return oemToAscii;
    case Charset::Latin1:
        return oemToLatin1;
    case Charset::Latin9:
        return oemToLatin9;
    case Charset::Other:
        break;
    }
    return unchanged;
}

}  // namespace tembrel
