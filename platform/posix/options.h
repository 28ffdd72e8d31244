// The native programs' command-line options, taken as GNU tools take them.
#pragma once

#include <string_view>

#include "platform/platform.h"

namespace tembrel {

// The option the arguments give: "" for none, "--help" (or -h), "--version"
// (or -V). False for any other first argument, which `option` then holds:
// the program takes nothing else, and a stray argument must not open the
// menu, where one more Enter would install.
bool takeOption(int argc, char** argv, std::string_view& option);

// Says on the error output that `option` is not one the program takes, and
// where to look. Returns the exit status for it, 2.
int refuseOption(const ProgramInfo& program, std::string_view option);

}  // namespace tembrel
