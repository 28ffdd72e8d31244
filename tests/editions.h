// Every fact the tests need about an edition: one row an edition.
#pragma once

#include <array>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "platform/oem.h"
#include "tests/fake_platform.h"

#include "editions/english/english.h"
#include "editions/german/german.h"

namespace tembrel::testing {

struct EditionRow {
    const char* name;        // in the tests' names
    const Edition* edition;  // its data: folder names, screens, texts
    const char* program;     // the program's name, without ".exe"
    const char* source;      // its folder in editions/
    const char* guide;       // the Windows guide; the Linux one is named with "-linux" before ".TXT"
    // Pieces of its screens the tests wait for, as a UTF-8 terminal shows them.
    std::string prompt;         // how the menu ends
    std::string notice;         // from the invalid-key screen
    std::string success;        // from the uninstall success screen
    std::string notFound;       // from the not-found screen
    std::string failed;         // from the failure screen
    std::string tooLong;        // from the interpreter's text for a path too long
    std::string notRecognized;  // from the interpreter's "not recognized"
    std::vector<std::string> letters;  // words of the menu with letters beyond ASCII

    std::string folder() const { return std::string(edition->folderName); }
    std::string linuxGuide() const {
        const std::string windows = guide;
        return windows.substr(0, windows.size() - 4) + "-linux.TXT";
    }
};
inline void PrintTo(const EditionRow& row, std::ostream* os) { *os << row.name; }

inline const EditionRow editionRows[] = {
    {"English", &englishEdition, "TembrelLaunch", "english", "README.TXT", "you want: ",
     "THIS PROGRAM IS NOT LIKELY TO HACKING !!!", " UNINSTALL SUCCESSFUL ", "could not uninstall Tembrel",
     "could not remove the folder", "too long for Windows", "is not recognized as an internal", {}},
    {"German", &germanEdition, "TembreloStart", "german", "LIESMICH.TXT", "\n eingeben: ",
     "DIESES PROGRAMM IST NICHT ZUM HACKEN GEEIGNET !!!", " DEINSTALLATION ERFOLGREICH ",
     "konnte Tembrelo nicht deinstallieren", "nicht vollst\u00e4ndig entfernen", "Windows zu lang",
     "ist entweder falsch geschrieben",
     {"gel\u00f6scht", "dr\u00fccken", "gedr\u00fcckt", "\u00fcblich", "gew\u00fcnschte"}},
};

// What is wrong with a row, naming the field, or "": each piece must be in
// the edition's text it is taken from, so that a wrong row fails at once
// rather than after a wait for a text that never shows.
inline std::string rowFault(const EditionRow& row) {
    const Edition& e = *row.edition;
    const std::string menu = oemToUtf8(screenText(e.menuScreen));
    std::vector<std::array<std::string, 3>> pieces = {  // the field, its piece and the text it is from
        {"prompt", row.prompt, menu}, {"notice", row.notice, oemToUtf8(screenText(e.invalidKeyScreen))},
        {"success", row.success, oemToUtf8(screenText(e.uninstallSuccessScreen))},
        {"notFound", row.notFound, oemToUtf8(screenText(e.uninstallNotFoundScreen))},
        {"failed", row.failed, oemToUtf8(screenText(e.uninstallFailedScreen))},
        {"tooLong", row.tooLong, oemToUtf8(e.commandTexts.pathTooLong)},
        {"notRecognized", row.notRecognized, oemToUtf8(e.commandTexts.notRecognized)}};
    for (const std::string& word : row.letters) pieces.push_back({"letters", word, menu});
    for (const auto& [field, piece, text] : pieces)
        if (piece.find_first_not_of(" \n") == std::string::npos || text.find(piece) == std::string::npos)
            return std::string(row.name) + "'s " + field + " \"" + piece + "\" is not in its text";
    if (e.programName != row.program) return std::string(row.name) + "'s program is not its edition's programName";
    return "";
}

// The rows as a console read back shows the screens (Wine's console on a
// terminal, a Windows screen buffer): the pieces without the blanks around
// them, which such a console may leave out.
inline const std::vector<EditionRow> consoleRows = [] {
    std::vector<EditionRow> rows(std::begin(editionRows), std::end(editionRows));
    for (EditionRow& row : rows)
        for (std::string* piece : {&row.prompt, &row.notice, &row.success, &row.notFound}) {
            const std::size_t first = piece->find_first_not_of(" \n"), last = piece->find_last_not_of(" \n");
            if (first != std::string::npos) *piece = piece->substr(first, last + 1 - first);
        }
    return rows;
}();

}  // namespace tembrel::testing
