// Every fact the tests need about an edition: one row an edition.
#pragma once

#include <algorithm>
#include <array>
#include <initializer_list>
#include <map>
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
    std::map<int, std::string> keys;  // each key code the menu takes, as --help names it

    std::string folder() const { return std::string(edition->folderName); }
    // The first words of the line after a first install that failed, ASCII.
    std::string notInstalled() const {
        const std::string line = screenText(edition->notInstalledScreen);
        return line.substr(0, line.find('.'));
    }
    std::string linuxGuide() const {
        const std::string windows = guide;
        return windows.substr(0, windows.size() - 4) + "-linux.TXT";
    }
    // The menu's words with letters beyond ASCII, as a UTF-8 terminal shows them.
    std::vector<std::string> letters() const {
        const std::string menu = screenText(edition->menuScreen);
        std::vector<std::string> words;
        for (std::size_t at = 0, end; at < menu.size(); at = end + 1) {
            end = std::min(menu.find_first_of(" \n()=;:,.!", at), menu.size());
            if (hasNonAscii(menu.substr(at, end - at))) words.push_back(oemToUtf8(menu.substr(at, end - at)));
        }
        return words;
    }
};
inline void PrintTo(const EditionRow& row, std::ostream* os) { *os << row.name; }

inline const EditionRow editionRows[] = {
    {"English", &englishEdition, "TembrelLaunch", "english", "README.TXT", "you want: ",
     "THIS PROGRAM IS NOT LIKELY TO HACKING !!!", " UNINSTALL SUCCESSFUL ", "could not uninstall Tembrel",
     "could not remove the folder", "too long for Windows", "is not recognized as an internal",
     {{'1', "1"}, {13, "Enter"}, {10, "Ctrl+J"}, {'2', "2"}, {8, "Backspace"}, {'3', "3"}, {27, "Esc"}}},
    {"German", &germanEdition, "TembreloStart", "german", "LIESMICH.TXT", "\n eingeben: ",
     "DIESES PROGRAMM IST NICHT ZUM HACKEN GEEIGNET !!!", " DEINSTALLATION ERFOLGREICH ",
     "konnte Tembrelo nicht deinstallieren", "Das Programm konnte den Ordner", "Windows zu lang",
     "ist entweder falsch geschrieben",
     {{'1', "1"}, {13, "Eingabe"}, {10, "Strg+J"}, {'2', "2"}, {8, "R\u00fccktaste"}, {'3', "3"}, {27, "Esc"}}},
};

// What is wrong with a row, naming the field, or "": each piece must be in
// the edition's text it is taken from, so that a wrong row fails at once
// rather than after a wait for a text that never shows, and a screen's piece
// in no other screen, so that a test that waits for it tells the screens apart.
inline std::string rowFault(const EditionRow& row) {
    const Edition& e = *row.edition;
    const auto shown = [](Screen screen) { return oemToUtf8(screenText(screen)); };
    std::vector<std::array<std::string, 3>> pieces = {  // the field, its piece and the text it is from
        {"prompt", row.prompt, shown(e.menuScreen)}, {"notice", row.notice, shown(e.invalidKeyScreen)},
        {"success", row.success, shown(e.uninstallSuccessScreen)},
        {"notFound", row.notFound, shown(e.uninstallNotFoundScreen)},
        {"failed", row.failed, shown(e.uninstallFailedScreen)}};
    const auto screens = pieces;
    pieces.push_back({"tooLong", row.tooLong, oemToUtf8(e.commandTexts.pathTooLong)});
    pieces.push_back({"notRecognized", row.notRecognized, oemToUtf8(e.commandTexts.notRecognized)});
    for (const auto& [field, piece, text] : pieces) {
        const std::string fault = std::string(row.name) + "'s " + field + " \"" + piece + "\" is ";
        if (piece.find_first_not_of(" \n") == std::string::npos || text.find(piece) == std::string::npos)
            return fault + "not in its text";
        for (const auto& other : screens)
            if (other[2] != text && other[2].find(piece) != std::string::npos) return fault + "in " + other[0] + "'s too";
    }
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
