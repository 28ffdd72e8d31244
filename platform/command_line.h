// Command lines split as the command interpreter splits them, and DOS names.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tembrel {

// A command line as the command interpreter splits it.
struct CommandLine {
    std::string name;               // the command word, as typed
    std::vector<std::string> args;  // the operands, in order, quotes removed
    std::string switches;           // the letters of the /x switches, lower case
    bool outputToNul = false;       // ">nul": the command's output is discarded
    std::vector<std::string> words; // operands and switches as typed, for programs

    bool is(std::string_view word) const;
};

CommandLine parseCommandLine(std::string_view line);

// Whether a DOS name holds a wildcard ('*' or '?').
bool hasWildcards(std::string_view text);
bool equalsIgnoringCase(std::string_view a, std::string_view b);

// A DOS path split into the text up to its last name and that name:
// "c:\A\B" gives "c:\A\" and "B", "c:B" gives "c:" and "B".
std::pair<std::string_view, std::string_view> splitLastName(std::string_view path);

}  // namespace tembrel
