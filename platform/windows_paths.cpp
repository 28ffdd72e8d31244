#include "platform/windows_paths.h"

namespace tembrel {

namespace {

constexpr std::wstring_view longUnc = L"\\\\?\\UNC\\";
// Wine names a program started from a share "UNC\server\share\...".
constexpr std::wstring_view bareUnc = L"UNC\\";

std::wstring shortForm(std::wstring_view path) {
    for (std::wstring_view prefix : {longUnc, bareUnc}) {
        if (path.substr(0, prefix.size()) == prefix) return L"\\\\" + std::wstring(path.substr(prefix.size()));
    }
    return std::wstring(path);
}

}  // namespace

std::wstring folderOfProgram(std::wstring_view programPath) {
    std::wstring folder = shortForm(programPath);
    const std::size_t slash = folder.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return L".";
    // "C:\Launch.exe" lies in "C:\", not in "C:" (the drive's current folder).
    const bool driveRoot = slash > 0 && folder[slash - 1] == L':';
    folder.resize(driveRoot ? slash + 1 : slash);
    return folder;
}

bool isNetworkFolder(std::wstring_view folder) {
    if (folder.size() < 3 || folder[0] != L'\\' || folder[1] != L'\\') return false;
    if (folder.substr(0, longUnc.size()) == longUnc) return true;
    return folder[2] != L'?' && folder[2] != L'.';
}

std::wstring inNetworkFolder(std::wstring_view folder, std::wstring_view line) {
    // Quoted only where the interpreter needs it: some interpreters' pushd
    // takes the quotes as part of the name.
    std::wstring name = shortForm(folder);
    if (name.find_first_of(L" \t&()[]{}^=;!'+,`~") != std::wstring::npos) name = L"\"" + name + L"\"";
    return L"pushd " + name + L" && " + std::wstring(line) + L" & popd";
}

}  // namespace tembrel
