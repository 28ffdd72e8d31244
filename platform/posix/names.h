// How the POSIX platform shows names and texts: safe file names, the
// terminal's character set, and whether it understands escape sequences.
#pragma once

#include <string>
#include <string_view>

namespace tembrel {

// A file name made safe to show on a terminal, as `ls -q` does: control
// characters and the controls of writing direction (and, unless `utf8`,
// every byte outside ASCII) become '?'.
std::string shownName(std::string_view name, bool utf8);

// What the terminal reads: UTF-8, ASCII alone, Latin-1 or Latin-9, or any
// other set, which gets the DOS code page's bytes as they are.
enum class Charset { Utf8, AsciiOnly, Latin1, Latin9, Other };
// The character set a code set's name ("UTF-8", "ISO-8859-15", as
// nl_langinfo gives it) or a locale's name ("de_DE.utf8", "de_DE.iso885915@euro",
// or only a code set, as some systems set LC_CTYPE) says.
Charset codesetCharset(std::string_view codeset);
Charset localeNameCharset(std::string_view locale);

// What the terminal reads, by the locale the environment chooses: the
// locale's code set where it is installed, else what its name says.
Charset localeCharset();

// How the OEM texts are turned into the charset's bytes: UTF-8, Latin-1 or
// Latin-9; spelled out in ASCII where the charset has nothing but ASCII ("ue"
// for the u with umlaut); unchanged in any other.
using TextConverter = std::string (*)(std::string_view);
TextConverter converterFor(Charset charset);
// The locale the environment chooses for characters: the first set of
// LC_ALL, LC_CTYPE and LANG, or "C".
std::string_view characterLocale(const char* lcAll, const char* lcCtype, const char* lang);

// Whether a terminal of this TERM name understands the ANSI escape sequences
// used to clear it. An unset, dumb or unknown terminal does not.
bool ansiTerminal(const char* term);

}  // namespace tembrel
