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
// controls, which terminals obey) starting at `s`, or 0; `c` the character.
std::size_t printableUtf8(std::string_view s, char32_t& c) {
    const std::size_t length = decodeUtf8(s, c);
    return length > 0 && c >= 0xA0 ? length : 0;
}

}  // namespace

std::string shownName(std::string_view name, bool utf8) {
    std::string shown;
    shown.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c >= 0x20 && c < 0x7F) {
            shown += name[i++];
        } else if (char32_t at = 0; const std::size_t n = utf8 && c >= 0x80 ? printableUtf8(name.substr(i), at) : 0) {
            shown += changesDirection(at) ? std::string_view("?") : name.substr(i, n);
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
