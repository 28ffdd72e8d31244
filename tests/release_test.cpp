// The programs as they ship: stripped, naming no build folder; the Windows
// ones 32-bit, for Windows XP SP3 and later, small, importing only functions
// XP SP3 has.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/tree.h"

namespace {

using tembrel::testing::readFile;

std::string outputOf(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
    return out;
}

// Each program that ships, with the objdump that reads it.
TEST(ShippedPrograms, AreStrippedAndNameNoBuildFolder) {
    std::vector<std::pair<std::string, std::string>> programs;
#ifdef TEMBREL_LAUNCH
    programs = {{TEMBREL_LAUNCH, "objdump"}, {TEMBRELO_START, "objdump"}};
#endif
#ifdef WINDOWS_PROGRAMS
    for (const char* name : {"TembrelLaunch", "TembreloStart"})
        programs.push_back({WINDOWS_PROGRAMS "/" + std::string(name) + ".exe", MINGW_OBJDUMP});
#endif
    for (const auto& [path, objdump] : programs) {
        const std::string sections = outputOf(objdump + " -h '" + path + "'");
        EXPECT_NE(sections.find(".text"), std::string::npos) << path << sections;
        EXPECT_EQ(sections.find(".debug"), std::string::npos) << path << sections;
        const std::string bytes = readFile(path);
        for (const char* folder : {SOURCE_DIR, BINARY_DIR})
            EXPECT_EQ(bytes.find(folder), std::string::npos) << path << " names " << folder;
    }
}

#ifdef WINDOWS_PROGRAMS

// Every function the Windows programs may import. Each KERNEL32 one is
// documented by Microsoft with Windows 2000 or Windows XP as its oldest client;
// the msvcrt ones are the classic C runtime functions and the start-up entries
// MinGW programs import, all in msvcrt.dll long before XP. A new import fails
// the test until it is checked and added here.
const std::map<std::string, std::set<std::string>> xpFunctions = {
    {"kernel32.dll",
     {"CloseHandle", "CreateProcessW", "CreateSemaphoreW", "DeleteCriticalSection", "DeleteFileW",
      "EnterCriticalSection", "FindClose", "FindFirstFileW", "FindNextFileW", "FreeLibrary", "GetConsoleMode",
      "GetCurrentDirectoryW", "GetCurrentThreadId", "GetEnvironmentVariableW", "GetExitCodeProcess",
      "GetFileAttributesA", "GetFileAttributesW", "GetLastError", "GetModuleFileNameW", "GetModuleHandleA",
      "GetModuleHandleW", "GetProcAddress", "GetStartupInfoA", "GetStdHandle", "GetSystemDirectoryW",
      "GetWindowsDirectoryW", "InitializeCriticalSection", "IsDBCSLeadByteEx", "LeaveCriticalSection",
      "LoadLibraryA", "LoadLibraryW", "MultiByteToWideChar", "ReleaseSemaphore", "RemoveDirectoryW",
      "SetConsoleCtrlHandler", "SetCurrentDirectoryW", "SetEnvironmentVariableW", "SetLastError",
      "SetUnhandledExceptionFilter", "Sleep", "TlsAlloc", "TlsFree", "TlsGetValue", "TlsSetValue",
      "VirtualProtect", "VirtualQuery", "WaitForSingleObject", "WideCharToMultiByte", "WriteConsoleW",
      "WriteFile",
      // the file commands (xcopy, del, rd)
      "CopyFileW", "CreateDirectoryW", "CreateFileW", "FormatMessageW", "GetTickCount", "MoveFileW",
      "SetFileAttributesW"}},
    {"msvcrt.dll",
     {"__getmainargs", "__initenv", "__mb_cur_max", "__p__acmdln", "__p__commode", "__p__fmode", "__set_app_type",
      "__setusermatherr", "_amsg_exit", "_cexit", "_chdir", "_close", "_errno", "_getch", "_initterm", "_iob",
      "_onexit", "_read", "abort", "atoi", "calloc", "exit", "fprintf", "fputc", "fputs", "free", "fwrite",
      "localeconv", "malloc", "memchr", "memcmp", "memcpy", "memmove", "memset", "realloc", "setlocale", "signal",
      "strchr", "strcmp", "strerror", "strlen", "strncmp", "system", "vfprintf", "wcslen", "_wsystem"}},
};

// Parts of names that came with Windows Vista or later: none may slip into the
// list above.
const std::vector<std::string> vistaNames = {
    "GetTickCount64", "SRWLock", "ConditionVariable", "Fls", "InitOnce", "CreateSymbolicLink",
    "GetFinalPathNameByHandle", "InitializeCriticalSectionEx", "CreateEventEx", "CreateMutexEx",
    "CreateSemaphoreEx", "GetFileInformationByHandleEx", "CompareStringEx", "LCMapStringEx", "CancelIoEx"};

// "DLL Name: X" followed by the functions imported from X, as objdump -p lists them.
std::vector<std::pair<std::string, std::string>> importsOf(const std::string& exe) {
    std::istringstream dump(outputOf(MINGW_OBJDUMP " -p '" + exe + "'"));
    std::vector<std::pair<std::string, std::string>> imports;
    std::string dll;
    for (std::string line; std::getline(dump, line);) {
        std::istringstream words(line);
        std::string first, second, third;
        words >> first >> second >> third;
        if (first == "DLL" && second == "Name:") {
            for (char& c : third) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
            dll = third;
        } else if (first.empty()) {
            dll.clear();
        } else if (!dll.empty() && first != "vma:" && !third.empty()) {
            imports.emplace_back(dll, third);
        }
    }
    return imports;
}

// Each Windows program and its folder name, which its version resource names.
class WindowsRelease : public ::testing::TestWithParam<std::pair<const char*, const char*>> {
protected:
    std::string exe() const { return WINDOWS_PROGRAMS "/" + std::string(GetParam().first) + ".exe"; }
};

TEST_P(WindowsRelease, ImportsOnlyWhatWindowsXpHas) {
    const auto imports = importsOf(exe());
    ASSERT_FALSE(imports.empty());
    for (const auto& [dll, function] : imports)
        EXPECT_TRUE(xpFunctions.contains(dll) && xpFunctions.at(dll).contains(function))
            << dll << ": " << function << " is not known to be in Windows XP SP3";
    for (const auto& [dll, functions] : xpFunctions)
        for (const std::string& function : functions)
            for (const std::string& vista : vistaNames) EXPECT_EQ(function.find(vista), std::string::npos) << function;
}

// The PE header says: 32-bit x86, Windows XP SP3 (5.01) or older for OS and
// subsystem, no time stamp. And the program is small, with its version resource.
TEST_P(WindowsRelease, Is32BitForWindowsXpSmallAndVersioned) {
    const std::string bytes = readFile(exe());
    ASSERT_GT(bytes.size(), 0x200u);
    EXPECT_LE(bytes.size(), 256u * 1024u);
    auto at = [&](std::size_t offset, int size) {
        std::uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes.at(offset + i));
        return value;
    };
    const std::size_t pe = at(0x3c, 4), optional = pe + 24;
    ASSERT_EQ(bytes.substr(pe, 4), std::string("PE\0\0", 4));
    EXPECT_EQ(at(pe + 4, 2), 0x14cu);  // i386
    EXPECT_EQ(at(pe + 8, 4), 0u);      // time stamp
    EXPECT_EQ(at(optional, 2), 0x10bu);  // PE32
    EXPECT_LE(at(optional + 40, 2) * 100 + at(optional + 42, 2), 501u);  // operating system version
    EXPECT_LE(at(optional + 48, 2) * 100 + at(optional + 50, 2), 501u);  // subsystem version
    EXPECT_EQ(at(optional + 68, 2), 3u);  // console

    auto utf16 = [](const std::string& s) {
        std::string out;
        for (char c : s) out += {c, '\0'};
        return out;
    };
    for (const std::string& s : {std::string("ProductName"), std::string(GetParam().second), std::string("1.002"),
                                 std::string("FileDescription")})
        EXPECT_NE(bytes.find(utf16(s)), std::string::npos) << s;
}

INSTANTIATE_TEST_SUITE_P(Editions, WindowsRelease,
                         ::testing::Values(std::pair{"TembrelLaunch", "Tembrel"}, std::pair{"TembreloStart", "Tembrelo"}),
                         [](const auto& info) { return std::string(info.param.first); });

#endif

}  // namespace
