#pragma once

#include <string>
#include <string_view>

namespace tembrel {

// The Windows platform's larger jobs, each in a file of its own.

// The text in UTF-16, read in the ANSI code page as the C runtime reads paths.
std::wstring widen(std::string_view text);

// Hands the line to the command interpreter that %ComSpec% names and waits,
// also when the working folder is on a network share.
void runCommandLine(std::string_view line);

}  // namespace tembrel
