// The command interpreter's front, shared by every platform: it reads a line,
// answers what needs no machine, and hands the rest to the platform's host.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"

namespace tembrel {

// Carries out one command line through the host, in the host's texts: cls,
// pause, and the file commands in the forms the launcher sends
// ("xcopy SOURCE DEST /e /h /i", "del FOLDER\*.* /s /q", "rd FOLDER /s /q",
// erase and rmdir alike), every other form of them a syntax error, so that
// every line accepted does the same on every host; DELTREE is not
// recognized; anything else is a program. False when the command could not
// do all it was asked.
bool interpret(std::string_view line, Host& host);

// The folder a file command's operand names: "X\*.*", "X\*" and "X" name X,
// "*.*" and "*" the working folder ("."). False for any other pattern: the
// commands take every name in a folder or none.
bool operandFolder(std::string_view operand, std::string& folder);

}  // namespace tembrel
