// Windows path forms worked out by text: full, long and shown paths, and a program's folder.
#include <gtest/gtest.h>

#include "platform/windows/paths.h"

namespace tembrel {
namespace {

TEST(FolderOfProgram, Table) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\Games\\TembrelLaunch.exe", L"C:\\Games"},
        {L"C:\\TembrelLaunch.exe", L"C:\\"},
        {L"\\\\server\\share\\ship\\TembrelLaunch.exe", L"\\\\server\\share\\ship"},
        {L"\\\\?\\UNC\\server\\share\\ship\\TembrelLaunch.exe", L"\\\\server\\share\\ship"},
        {L"UNC\\server\\share\\ship\\TembrelLaunch.exe", L"\\\\server\\share\\ship"},  // as Wine names it
        {L"\\\\?\\C:\\Games\\TembrelLaunch.exe", L"C:\\Games"},
        {L"TembrelLaunch.exe", L"."},
        {L"\\\\.\\C:\\Games\\TembrelLaunch.exe", L"C:\\Games"},
        {L"\\\\.\\UNC\\server\\share\\TembrelLaunch.exe", L"\\\\server\\share"},
        {L"\\\\?\\Volume{0b1c2d3e-0000-0000-0000-100000000000}\\Games\\TembrelLaunch.exe", L""},
        {L"\\\\.\\HarddiskVolume2\\TembrelLaunch.exe", L""},
    };
    for (const auto& [program, folder] : cases) EXPECT_EQ(folderOfProgram(program), folder);
}

// From a working folder, a name as a command line gives it: the full path, its
// parent and its long form.
TEST(FullPath, Table) {
    struct Case {
        const wchar_t *folder, *path, *full, *parent, *longForm;
    };
    const Case cases[] = {
        {L"C:\\Games\\ship", L"Tembrel", L"C:\\Games\\ship\\Tembrel", L"C:\\Games\\ship",
         L"\\\\?\\C:\\Games\\ship\\Tembrel"},
        {L"C:\\Games\\ship\\Tembrel", L"..", L"C:\\Games\\ship", L"C:\\Games", L"\\\\?\\C:\\Games\\ship"},
        {L"C:\\Games", L"c:\\", L"C:\\", L"C:\\", L"\\\\?\\C:\\"},
        {L"C:\\Games", L"c:\\Tembrel\\*.*", L"C:\\Tembrel\\*.*", L"C:\\Tembrel", L"\\\\?\\C:\\Tembrel\\*.*"},
        {L"D:\\x", L"c:/a//b/./c/", L"C:\\a\\b\\c", L"C:\\a\\b", L"\\\\?\\C:\\a\\b\\c"},
        {L"C:\\", L"..\\..\\Windows", L"C:\\Windows", L"C:\\", L"\\\\?\\C:\\Windows"},
        {L"D:\\x\\y", L"\\Tembrel", L"D:\\Tembrel", L"D:\\", L"\\\\?\\D:\\Tembrel"},
        {L"\\\\server\\share\\ship", L"Tembrel", L"\\\\server\\share\\ship\\Tembrel", L"\\\\server\\share\\ship",
         L"\\\\?\\UNC\\server\\share\\ship\\Tembrel"},
        {L"\\\\server\\share\\ship", L"..\\..", L"\\\\server\\share", L"\\\\server\\share",
         L"\\\\?\\UNC\\server\\share"},
        {L"\\\\server\\share\\ship", L"\\x", L"\\\\server\\share\\x", L"\\\\server\\share",
         L"\\\\?\\UNC\\server\\share\\x"},
        {L"C:\\Games", L"\\\\?\\UNC\\srv\\s\\a", L"\\\\srv\\s\\a", L"\\\\srv\\s", L"\\\\?\\UNC\\srv\\s\\a"},
        {L"C:\\Games", L"\\\\?\\c:\\a\\..\\b", L"C:\\b", L"C:\\", L"\\\\?\\C:\\b"},
    };
    for (const Case& c : cases) {
        const std::wstring full = fullPath(c.folder, c.path);
        EXPECT_EQ(full, c.full) << c.folder << L" + " << c.path;
        EXPECT_EQ(parentOf(full), c.parent) << full;
        EXPECT_EQ(longForm(full), c.longForm) << full;
        EXPECT_EQ(shownPath(c.longForm), full) << c.longForm;
    }
}

// A long path's parts, as the file commands show and create them.
TEST(LongPath, VolumeAndDrive) {
    struct Case {
        const wchar_t* path;
        std::size_t volumeEnd;
        const wchar_t* drive;
    };
    const Case cases[] = {
        {L"\\\\?\\C:\\Tembrel\\sub", 7, L"C:"},
        {L"\\\\?\\C:\\", 7, L"C:"},
        {L"\\\\?\\UNC\\server\\share\\ship\\x", 21, L""},
        {L"\\\\?\\UNC\\server\\share", 20, L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(volumeEnd(c.path), c.volumeEnd) << c.path;
        EXPECT_EQ(driveOf(c.path), c.drive) << c.path;
    }
}

}  // namespace
}  // namespace tembrel
