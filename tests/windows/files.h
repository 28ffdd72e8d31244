// Files and folder trees for the Windows tests, by Win32 calls on long-form
// paths, so that paths past MAX_PATH, read-only files and junctions are
// handled as Windows itself handles them.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace tembrel::windows_tests {

// A full path with "\\?\" in front, as every helper here takes it.
std::wstring longPath(const std::wstring& path);
std::wstring operator/(const std::wstring& folder, const std::wstring& name);

bool exists(const std::wstring& path);
bool isFolder(const std::wstring& path);
DWORD attributes(const std::wstring& path);
// Writes the file, making the folders on its way.
void writeFile(const std::wstring& path, const std::string& content);
std::string readFile(const std::wstring& path);
void makeFolders(const std::wstring& path);
void copyFile(const std::wstring& from, const std::wstring& to);
// Removes a tree, read-only and hidden files too; a junction or other link
// in it is removed as a link, never entered.
void removeTree(const std::wstring& path);

// Makes `link` a junction to the folder `target` (full paths). False where
// the file system or the platform refuses one.
bool makeJunction(const std::wstring& link, const std::wstring& target);

// A tree as "relative path -> what it is": a folder, a file and its
// contents, or a link.
std::map<std::wstring, std::string> snapshot(const std::wstring& root);

// UTF-16 to the console's view of a name and back, for messages.
std::string narrow(const std::wstring& text);
std::wstring widen(const std::string& text);

}  // namespace tembrel::windows_tests
