// The Edition record: everything that differs between the language editions.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "platform/command_texts.h"
#include "platform/platform.h"

namespace tembrel {

// One text of a screen: `indent` spaces, the body, `trailing` spaces, then a
// line feed when `lineFeed` is set. Menu rows use all four fields so that each
// row reads like its layout; whole texts that carry their own line feeds use
// the body alone.
struct Text {
    std::string_view body;
    std::size_t indent = 0;
    std::size_t trailing = 0;
    bool lineFeed = false;

    constexpr std::size_t size() const { return indent + body.size() + trailing + (lineFeed ? 1 : 0); }
};

// A screen is written text by text, in order; only the concatenation is seen.
using Screen = std::span<const Text>;

// 79 hyphen-minus characters and a line feed.
inline constexpr Text RuleLine{
    "-------------------------------------------------------------------------------", 0, 0, true};
// 79 spaces and a line feed.
inline constexpr Text BlankLine{"", 0, 79, true};
// One space and a line feed.
inline constexpr Text SpaceLine{" \n"};

// The parts of the uninstall's failure screen, which the launcher puts
// together (launcher/failure.cpp): the heading; what happened; the lines
// naming what stayed, each "  PATH - WHY"; the advice for each reason met,
// in the order of Why; the last line.
struct FailureTexts {
    Screen heading;
    Screen notAll;                // part of the install may be deleted, the rest stays
    Screen nothingDeleted;        // nothing was deleted at all
    std::string_view stayedHeading;                // a line before the paths
    std::string_view more;                         // {} how many more paths there are; a line
    std::array<std::string_view, whyCount> why;    // each reason, short, after a path
    std::array<Screen, whyCount> advice;           // what to do, for each reason
    Screen end;
};

// Everything that differs between the language editions.
struct Edition {
    std::string_view folderName;       // payload folder beside the program and install folder on drive C
    std::string_view folderNameUpper;  // the same name in upper case
    Screen menuScreen;
    Screen uninstallSuccessScreen;
    Screen uninstallNotFoundScreen;
    Screen uninstallFailedScreen;      // the install folder is still there, and nothing tells why
    FailureTexts failure;              // the failure screen that names what stayed and why
    Screen invalidKeyScreen;
    Screen payloadMissingScreen;       // launch found no payload folder: nothing is installed
    Screen notInstalledScreen;         // a first install failed; before the wait for a key
    CommandTexts commandTexts;         // what the command interpreter prints, in this language
    std::string_view notAFolderAtInstallPath;  // launch: {} the install path, where something else stands
    std::string_view programName;      // "TembrelLaunch"
    std::string_view usage;            // --help where the program takes it; "{}" is drive C's folder
    std::string_view noDriveC;         // usage's line with "{}" where drive C has no folder; "{}" is why
    std::string_view badOption;        // an option not taken (ASCII); "{}" the name, the option, the name
};

}  // namespace tembrel
