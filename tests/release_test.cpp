// The programs as they ship: stripped, naming no build folder; the Windows
// ones 32-bit, for Windows XP SP3 and later, small, importing only functions
// XP SP3 has.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "launcher/version.h"
#include "tests/editions.h"
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
    for (const tembrel::testing::EditionRow& row : tembrel::testing::editionRows) {
#ifdef PROGRAMS_DIR
        programs.push_back({PROGRAMS_DIR "/" + std::string(row.program), "objdump"});
#endif
#ifdef WINDOWS_PROGRAMS
        programs.push_back({WINDOWS_PROGRAMS "/" + std::string(row.program) + ".exe", MINGW_OBJDUMP});
#endif
    }
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

// Every function the Windows programs import, by what they need it for.
// Each KERNEL32 one is documented by Microsoft with Windows 2000 or Windows
// XP as its oldest client; the msvcrt ones are classic C runtime functions,
// all in msvcrt.dll long before XP. Functions looked up at run time
// (GetProcAddress, as those of ntdll.dll) are no imports and are not here. A
// new import fails the test until it is checked and added here.
const std::map<std::string, std::set<std::string>> xpFunctions = {
    {"kernel32.dll",
     {// the console: screens written and cleared, keys read, Ctrl+C, who else shares it
      "FillConsoleOutputAttribute", "FillConsoleOutputCharacterW", "FlushConsoleInputBuffer", "GetConsoleMode",
      "GetConsoleProcessList", "GetConsoleScreenBufferInfo", "GetStdHandle", "MultiByteToWideChar",
      "SetConsoleCtrlHandler", "SetConsoleCursorPosition", "WideCharToMultiByte", "WriteConsoleW",
      // files and folders: the copy, the delete and the staging folder
      "CloseHandle", "CreateDirectoryW", "CreateFileW", "GetFileAttributesW", "GetFileInformationByHandle",
      "GetFileType", "GetTickCount", "ReadFile", "RemoveDirectoryW", "SetFileAttributesW", "Sleep", "WriteFile",
      // the staged first copy, and Ctrl+C or the console closed ending it
      "CreateEventW", "ExitProcess", "GetCurrentProcessId", "SetEvent",
      // their own folder, the current folder, the emulator started and waited for, functions looked up
      "CreateProcessW", "FreeLibrary", "GetCurrentDirectoryW", "GetModuleFileNameW", "GetModuleHandleW",
      "GetProcAddress", "GetSystemDirectoryW", "GetWindowsDirectoryW", "LoadLibraryW", "SetCurrentDirectoryW",
      "WaitForSingleObject",
      // messages
      "FormatMessageW", "GetLastError",
      // the C and C++ runtime's start-up, threads and exceptions
      "CreateSemaphoreW", "DeleteCriticalSection", "EnterCriticalSection", "GetCurrentThreadId", "GetModuleHandleA",
      "GetStartupInfoA", "InitializeCriticalSection", "LeaveCriticalSection", "LoadLibraryA", "ReleaseSemaphore",
      "SetLastError", "SetUnhandledExceptionFilter", "TlsAlloc", "TlsFree", "TlsGetValue", "TlsSetValue",
      "VirtualProtect", "VirtualQuery"}},
    {"msvcrt.dll",
     {// keys read from a console
      "_getch", "_read", "_close",
      // start-up and exit
      "__getmainargs", "__initenv", "__p__acmdln", "__p__commode", "__p__fmode", "__set_app_type",
      "__setusermatherr", "_amsg_exit", "_cexit", "_initterm", "_onexit", "abort", "exit", "signal",
      // memory, strings and the runtime's own messages
      "_errno", "_iob", "calloc", "fprintf", "free", "fwrite", "malloc", "memchr", "memcmp", "memcpy", "memmove",
      "memset", "realloc", "strcmp", "strlen", "strncmp", "vfprintf", "wcslen"}},
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

// Each Windows program, as a row of tests/editions.h.
using tembrel::testing::EditionRow;

class WindowsRelease : public ::testing::TestWithParam<EditionRow> {
protected:
    std::string exe() const { return WINDOWS_PROGRAMS "/" + std::string(GetParam().program) + ".exe"; }
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
    for (const std::string& s : {std::string("ProductName"), GetParam().folder(), std::string(tembrel::launcherVersion),
                                 std::string("FileDescription")})
        EXPECT_NE(bytes.find(utf16(s)), std::string::npos) << s;
}

// The resource of the given type and ID (its first language), found through
// the PE resource directory; empty when there is none.
std::string resourceOf(const std::string& bytes, std::uint32_t type, std::uint32_t id) {
    auto at = [&](std::size_t offset) {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes.at(offset + i));
        return value;
    };
    const std::size_t pe = at(0x3c), sections = pe + 24 + (at(pe + 20) & 0xffff);
    const std::uint32_t rsrc = at(pe + 24 + 96 + 2 * 8);  // the data directory's resource entry
    for (std::size_t s = sections; s < sections + 40 * (at(pe + 6) & 0xffff); s += 40) {
        const std::uint32_t rva = at(s + 12), raw = at(s + 20);
        if (rsrc < rva || rsrc >= rva + at(s + 8)) continue;
        const std::size_t base = raw + (rsrc - rva);
        // Each level: a table of (ID, offset) after a 16-byte header; the
        // high bit of an offset leads to the next table.
        auto find = [&](std::size_t table, std::uint32_t wanted, bool any) -> std::int64_t {
            const std::uint32_t entries = (at(table + 12) & 0xffff) + (at(table + 12) >> 16);
            for (std::uint32_t e = 0; e < entries; ++e)
                if (any || at(table + 16 + 8 * e) == wanted) return at(table + 20 + 8 * e) & 0x7fffffff;
            return -1;
        };
        const std::int64_t names = find(base, type, false);
        const std::int64_t languages = names < 0 ? -1 : find(base + names, id, false);
        const std::int64_t leaf = languages < 0 ? -1 : find(base + languages, 0, true);
        if (leaf < 0) return "";
        return bytes.substr(raw + (at(base + leaf) - rva), at(base + leaf + 4));
    }
    return "";
}

// The application manifest (resource 1 of type 24) is well-formed XML that
// asks for no elevation, in the namespace form Windows XP takes, and names
// each Windows from Vista to 11.
TEST_P(WindowsRelease, CarriesItsApplicationManifest) {
    const std::string manifest = resourceOf(readFile(exe()), 24, 1);
    ASSERT_FALSE(manifest.empty());
    const std::string file = BINARY_DIR "/" + std::string(GetParam().program) + ".manifest";
    std::ofstream(file, std::ios::binary) << manifest;
    auto query = [&](const std::string& xpath) {
        return outputOf(XMLLINT " --xpath \"" + xpath + "\" '" + file + "' 2>&1");
    };
    EXPECT_EQ(outputOf(XMLLINT " --noout '" + file + "' 2>&1 && echo well-formed"), "well-formed\n");
    EXPECT_EQ(query("count(//*[local-name()='trustInfo' and namespace-uri()='urn:schemas-microsoft-com:asm.v2']"
                    "/*/*/*[local-name()='requestedExecutionLevel'][@level='asInvoker'][@uiAccess='false'])"),
              "1\n");
    std::size_t declared = 0;
    for (std::size_t i = 0; (i = manifest.find("urn:schemas-microsoft-com:asm.v2", i)) != std::string::npos; ++i)
        ++declared;
    EXPECT_EQ(declared, 1u);
    EXPECT_EQ(query("count(/*/*[local-name()='assemblyIdentity'][@type='win32'][@name][@version])"), "1\n");
    const std::string ids = query("//*[local-name()='supportedOS']/@Id");
    for (const char* id : {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(ids.find(id), std::string::npos) << id;
}

INSTANTIATE_TEST_SUITE_P(Editions, WindowsRelease,
                         ::testing::ValuesIn(tembrel::testing::editionRows),
                         [](const auto& info) { return std::string(info.param.program); });

#endif

}  // namespace
