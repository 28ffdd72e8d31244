#pragma once

#include <string>
#include <string_view>

namespace tembrel {

// Folder names as Windows gives them, in UTF-16. Plain functions, so that
// every platform's tests can call them.

// The folder a program file lies in, as a working folder: "C:\" for a program
// in a drive's root, and "\\server\share\..." for the long form
// "\\?\UNC\server\share\..." that the command interpreter does not take.
std::wstring folderOfProgram(std::wstring_view programPath);

// True for a folder on a network share named by UNC ("\\server\share\..."),
// which the command interpreter refuses as its working folder; false for
// drive paths, also in their long forms "\\?\C:\..." and "\\.\C:\...".
bool isNetworkFolder(std::wstring_view folder);

// A command line that runs `line` in the network folder from an interpreter
// started in a local one: pushd maps the share to a free drive letter and
// enters the folder (quoted where the name needs it), the line runs only if that worked, and popd frees the
// drive letter again.
std::wstring inNetworkFolder(std::wstring_view folder, std::wstring_view line);

}  // namespace tembrel
